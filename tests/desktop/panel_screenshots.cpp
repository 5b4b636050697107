// orvanta-panel-screenshots DIR: renders the answer panel in each of its states, light and dark,
// into DIR as PNG files, for looking at them and for the README. Under Xvfb it uses real X
// windows; QT_SCALE_FACTOR=2 renders it at scale 2.
#include "WidgetProbes.h"
#include "panel/FloatingResultPanel.h"
#include "panel/ResultOverlayPanelController.h"

#include <QApplication>
#include <QDir>

#include <cstdio>

namespace {
const QString longAnswer = QStringLiteral(
    "**In short:** the table lists *quarterly revenue* by region, and the north-west is the only region that shrank.\n"
    "\n"
    "1. Revenue grew **12 %** overall, led by the `south` region.\n"
    "2. The north-west fell by 3 %, after losing two large customers.\n"
    "10. Margins held steady at about 41 %.\n"
    "\n"
    "- Check the [regional report](https://example.com/report) for the breakdown.\n"
    "- Figures are in ~~thousands~~ millions of euros.\n"
    "# Headings and <b>HTML</b> are shown as written.");

ConversationTurn turn(const QString &question, const QString &answer)
{
    return {QUuid::createUuid(), question, answer, QDateTime::currentDateTime(), QStringLiteral("gpt")};
}

ResultOverlaySnapshot baseSnapshot(AppThemePreference theme)
{
    ResultOverlaySnapshot snapshot;
    snapshot.capture.id = QUuid::createUuid();
    snapshot.capture.selectionRect = QRectF(40, 40, 360, 240);
    snapshot.presetOrder = {allPromptPresets.begin(), allPromptPresets.end()};
    snapshot.presetConfigurations = defaultConfigurations();
    snapshot.themePreference = theme;
    snapshot.showsSelectionDecoration = snapshot.delaysPanelReveal = false;
    snapshot.overlayPanelSizePreset = OverlayPanelSizePreset::medium;
    return snapshot;
}
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: orvanta-panel-screenshots DIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    out.mkpath(QStringLiteral("."));
    ResultOverlayPanelController controller;
    const ResultOverlayCallbacks callbacks;
    bool ok = true;
    const auto shoot = [&](const ResultOverlaySnapshot &snapshot, const QString &name) {
        controller.close();
        controller.present(snapshot, callbacks);
        ok &= saveScreenshot(*controller.panel(), out.filePath(name + QStringLiteral(".png")), 400);
    };

    for (const AppThemePreference theme : {AppThemePreference::light, AppThemePreference::dark}) {
        const QString suffix = theme == AppThemePreference::dark ? QStringLiteral("-dark") : QStringLiteral("-light");
        ResultOverlaySnapshot snapshot = baseSnapshot(theme);
        snapshot.isBusy = true;
        shoot(snapshot, QStringLiteral("panel-busy") + suffix);

        snapshot.isBusy = false;
        snapshot.captureUnderstanding = CaptureUnderstandingResult{};
        shoot(snapshot, QStringLiteral("panel-quick-actions") + suffix);

        snapshot.isBusy = true;
        snapshot.activePreset = PromptPreset::explain;
        snapshot.pendingQuestion = QStringLiteral("Explain the selected content clearly.");
        shoot(snapshot, QStringLiteral("panel-thinking") + suffix);

        snapshot.isBusy = false;
        snapshot.pendingQuestion.reset();
        snapshot.captureUnderstanding->mode = CaptureUnderstandingMode::image;
        snapshot.conversationHistory = {
            turn(QStringLiteral("What does this table show?"), longAnswer),
            turn(QStringLiteral("Which region should we worry about?"), QStringLiteral("The north-west.")),
            turn(QStringLiteral("Why did it shrink?"),
                 QStringLiteral("It lost two large customers in the second quarter, and new sales did not make up "
                                "for them.\nThe other regions grew from new customers.")),
        };
        snapshot.customQuestion = QStringLiteral("And next quarter?");
        shoot(snapshot, QStringLiteral("panel-conversation") + suffix);

        snapshot.customQuestion.clear();
        snapshot.errorMessage = QStringLiteral("Orvanta could not capture the screen.");
        snapshot.permissionGuidance = PermissionGuidance{
            QStringLiteral("Screen Recording Needed"),
            QStringLiteral("Open your desktop's privacy settings, allow Orvanta to capture the screen, then reopen the "
                           "app if your desktop asks for it."),
            QStringLiteral("Open Settings")};
        shoot(snapshot, QStringLiteral("panel-error") + suffix);
    }
    return ok ? 0 : 1;
}
