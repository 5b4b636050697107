// orvanta-selection-screenshots DIR: photographs a selection from the X server's side - the
// overlay before and during a drag, then the border and glow windows at the start, middle and end
// of the glow - into DIR as PNG files. Run under Xvfb with a compositing manager (xcompmgr) so
// the translucent windows are drawn as a desktop would draw them.
#include "CaptureDriver.h"
#include "capture/ScreenSelectionCaptureService.h"
#include "capture/ScreenSnapshotSourceFactory.h"
#include "overlay/SelectionOverlayWindow.h"
#include "panel/ResultOverlayPanelController.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QTest>

#include <cstdio>

namespace {
const QRect shot(60, 40, 760, 480); // the part of the screen around the selection

bool save(const QString &path)
{
    const bool saved = screenPixels(QGuiApplication::primaryScreen(), shot).save(path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    return saved;
}
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: orvanta-selection-screenshots DIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    out.mkpath(QStringLiteral("."));

    // Something to select: a page of text beside a coloured pattern.
    QLabel page(nullptr, Qt::FramelessWindowHint | Qt::BypassWindowManagerHint);
    page.setText(QStringLiteral("<h2>Quarterly report</h2><p>Revenue grew 12 % while costs fell, and the "
                                "outlook for the next two quarters remains cautiously optimistic.</p>"
                                "<table border=1 cellpadding=4><tr><th>Region</th><th>Q1</th><th>Q2</th></tr>"
                                "<tr><td>North</td><td>1.2</td><td>1.4</td></tr><tr><td>South</td><td>0.9</td>"
                                "<td>1.1</td></tr></table>"));
    page.setWordWrap(true);
    page.setMargin(24);
    page.setAutoFillBackground(true);
    page.setStyleSheet(QStringLiteral("background: white; color: #222; font-size: 15px;"));
    page.setGeometry(80, 60, 420, 440);
    page.show();
    PatternWindow pattern;
    pattern.setGeometry(500, 60, 300, 440);
    pattern.show();
    if (!QTest::qWaitForWindowExposed(&page) || !QTest::qWaitForWindowExposed(&pattern))
        return 1;
    QTest::qWait(300);

    ScreenSelectionCaptureService service(makeScreenSnapshotSource());
    ResultOverlayPanelController panel;
    service.setSelectionBridge([&](const QRectF &rect, std::optional<QRectF> frame, const QImage &background) {
        panel.beginSelectionBridge(rect, frame, background);
    });
    CaptureRun run;
    run.start(service);
    QTest::qWait(500);
    if (!service.activeOverlayCoordinator())
        return 1;
    bool ok = save(out.filePath(QStringLiteral("selection-overlay.png")));
    SelectionOverlayWindow *window = service.activeOverlayCoordinator()->windows().constFirst();
    QTest::mousePress(window, Qt::LeftButton, {}, QPoint(180, 130));
    QTest::mouseMove(window, QPoint(420, 260));
    QTest::mouseMove(window, QPoint(640, 380));
    QTest::qWait(300);
    ok &= save(out.filePath(QStringLiteral("selection-drag.png")));
    QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(640, 380));
    QTest::qWait(60);
    ok &= save(out.filePath(QStringLiteral("selection-glow-start.png")));
    QTest::qWait(440);
    ok &= save(out.filePath(QStringLiteral("selection-glow-middle.png")));
    QTest::qWait(400);
    ok &= save(out.filePath(QStringLiteral("selection-glow-end.png")));
    QTest::qWait(600);
    ok &= save(out.filePath(QStringLiteral("selection-after-glow.png")));
    return ok && run.done ? 0 : 1;
}
