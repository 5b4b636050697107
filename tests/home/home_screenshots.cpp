// orvanta-home-screenshots DIR: renders the home window empty and with nine captures (light and
// dark), the quick-action editor, the reset alert and the preview window into DIR as PNG files.
#include "ControllerHarness.h"
#include "TemporaryHome.h"
#include "WidgetProbes.h"
#include "home/HomeView.h"
#include "home/QuickActionsSection.h"
#include "home/SelectedRegionCard.h"
#include "preview/SelectedRegionImagePreviewController.h"
#include "theme/AppearanceController.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QPushButton>
#include <QTest>

#include <cstdio>

namespace {
// A stand-in for a captured region: a window-like picture with a title bar and lines of "text".
CapturedSelection sampleCapture(int index)
{
    static const QList<QSize> sizes{{900, 560}, {640, 640},  {1200, 500}, {700, 420}, {820, 600},
                                    {560, 360}, {1000, 620}, {760, 480},  {1280, 720}};
    static const QStringList apps{
        QStringLiteral("Text Editor"), QStringLiteral("Browser"),  QStringLiteral("Spreadsheet"),
        QStringLiteral("Terminal"),    QStringLiteral("Mail"),     QStringLiteral("Chat"),
        QStringLiteral("Documents"),   QStringLiteral("Calendar"), QStringLiteral("Slides")};
    const QSize size = sizes.at(index % sizes.size());
    QImage image(size, QImage::Format_RGB32);
    const QColor base = QColor::fromHsv((index * 37) % 360, 60, 245);
    image.fill(base);
    QPainter painter(&image);
    painter.fillRect(0, 0, size.width(), 44, base.darker(130));
    painter.setPen(Qt::NoPen);
    for (int line = 0; line < 12; ++line) {
        painter.setBrush(QColor(40, 40, 50, 170));
        const int width = size.width() - 120 - (line * 53) % 260;
        painter.drawRoundedRect(QRect(40, 80 + line * 36, width, 14), 6, 6);
    }
    painter.setBrush(QColor::fromHsv((index * 37 + 180) % 360, 160, 200));
    painter.drawRoundedRect(QRect(size.width() - 220, size.height() - 170, 170, 120), 14, 14);
    painter.end();
    CapturedSelection selection = FakeCaptureService::makeSelection(size);
    selection.cgImage = image;
    selection.sourceAppName = apps.at(index % apps.size());
    selection.frameDescription = QStringLiteral("%1 x %2 at x:%3 y:%4")
                                     .arg(size.width())
                                     .arg(size.height())
                                     .arg(120 + index * 10)
                                     .arg(90 + index * 12);
    selection.capturedAt = QDateTime(QDate(2025, 3, 5), QTime(9, 12).addSecs(index * 1500));
    return selection;
}
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: orvanta-home-screenshots DIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    out.mkpath(QStringLiteral("."));
    TemporaryHome home;
    bool ok = true;

    ControllerHarness empty(home.path() + QStringLiteral("/empty"));
    AppearanceController emptyAppearance(empty.settings);
    {
        HomeView view(*empty.controller, empty.session, &empty.notifications);
        view.resize(1040, 1080);
        view.show();
        if (!QTest::qWaitForWindowExposed(&view))
            return 1;
        ok &= saveScreenshot(view, out.filePath(QStringLiteral("home-window-empty.png")), 300);
        empty.settings.setThemePreference(AppThemePreference::dark);
        ok &= saveScreenshot(view, out.filePath(QStringLiteral("home-window-empty-dark.png")), 300);
        empty.settings.setThemePreference(AppThemePreference::light);
    }

    ControllerHarness full(home.path() + QStringLiteral("/full"), false);
    for (int i = 0; i < 9; ++i)
        full.store.record(sampleCapture(i));
    full.makeController();
    AppearanceController appearance(full.settings);
    HomeView view(*full.controller, full.session, &full.notifications);
    view.resize(1040, 1080);
    view.show();
    if (!QTest::qWaitForWindowExposed(&view))
        return 1;
    full.controller->selectPreset(PromptPreset::summarize);
    full.controller->copyRecentCapture(full.controller->recentCaptures().first());
    ok &= saveScreenshot(view, out.filePath(QStringLiteral("home-window.png")), 300);
    full.settings.setThemePreference(AppThemePreference::dark);
    ok &= saveScreenshot(view, out.filePath(QStringLiteral("home-window-dark.png")), 300);
    full.settings.setThemePreference(AppThemePreference::light);

    full.controller->beginEditingPreset(PromptPreset::simplify);
    QTest::qWait(100);
    if (QWidget *editor = view.quickActions()->editorSheet())
        ok &= saveScreenshot(*editor, out.filePath(QStringLiteral("preset-editor.png")), 300);
    full.controller->dismissPresetEditor();

    view.quickActions()->resetButton()->click();
    QTest::qWait(100);
    if (QWidget *alert = view.quickActions()->resetConfirmation()) {
        ok &= saveScreenshot(*alert, out.filePath(QStringLiteral("reset-alert.png")), 300);
        alert->close();
    }

    const RecentCaptureItem item = full.controller->recentCaptures().at(2);
    view.previewController().present(item.previewImage.image(), item.sourceAppName, item.capturedAt);
    ok &= saveScreenshot(*view.previewController().window(), out.filePath(QStringLiteral("preview-window.png")), 300);
    return ok ? 0 : 1;
}
