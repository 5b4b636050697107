// The two latencies a user feels around a selection, medians over several runs on the X server
// in DISPLAY (bench/selection/run.sh starts one with two 2560 x 1440 screens):
//  - shortcut to overlay: from the capture's start until every screen's overlay window has
//    painted, the frozen pictures included (goal: 150 ms);
//  - mouse-up to recorded: from the release of a drag until the capture is on the clipboard and
//    in the capture library, the border and glow windows started on the way (goal: 150 ms).
//   bench_selection_latency [--runs N]
#include "CaptureDriver.h"
#include "capture/ScreenSelectionCaptureService.h"
#include "capture/ScreenSnapshotSourceFactory.h"
#include "library/RecentCaptureStore.h"
#include "overlay/SelectionOverlayWindow.h"
#include "panel/ResultOverlayPanelController.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {
// Counts the overlay windows that have painted at least once.
class PaintWatch : public QObject
{
public:
    QSet<QObject *> painted;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && qobject_cast<SelectionOverlayWindow *>(watched))
            painted.insert(watched);
        return false;
    }
};

// This process's CPU time in milliseconds, all threads: on a loaded machine the wall clock also
// counts the time other processes held the cores.
double processMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[values.size() / 2];
}
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const qsizetype runsAt = arguments.indexOf(QStringLiteral("--runs"));
    const int runs = runsAt >= 0 ? arguments.value(runsAt + 1).toInt() : 9;

    QTemporaryDir library;
    const RecentCaptureStore store(library.path(), nullptr, nullptr);
    ScreenSelectionCaptureService service(makeScreenSnapshotSource());
    ResultOverlayPanelController panel;
    service.setSelectionBridge([&](const QRectF &rect, std::optional<QRectF> frame, const QImage &background) {
        panel.beginSelectionBridge(rect, frame, background);
    });
    PaintWatch watch;
    app.installEventFilter(&watch);

    QList<double> shown;
    QList<double> recorded;
    QList<double> shownCpu;
    QList<double> recordedCpu;
    for (int i = 0; i < runs; ++i) {
        watch.painted.clear();
        QElapsedTimer clock;
        clock.start();
        double cpu = processMilliseconds();
        CaptureRun run;
        run.start(service);
        const int screens = int(QGuiApplication::screens().size());
        while (watch.painted.size() < screens && clock.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        shown.append(clock.nsecsElapsed() / 1e6);
        shownCpu.append(processMilliseconds() - cpu);

        SelectionOverlayWindow *window = service.activeOverlayCoordinator()->windows().constFirst();
        QTest::mousePress(window, Qt::LeftButton, {}, QPoint(200, 150));
        QTest::mouseMove(window, QPoint(1400, 900));
        clock.restart();
        cpu = processMilliseconds();
        QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(1400, 900));
        while (!run.done && clock.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
        if (!run.selection) {
            std::fprintf(stderr, "the capture did not end after mouse-up\n");
            return 1;
        }
        QGuiApplication::clipboard()->setImage(run.selection->cgImage);
        store.record(*run.selection);
        recorded.append(clock.nsecsElapsed() / 1e6);
        recordedCpu.append(processMilliseconds() - cpu);
        QTest::qWait(200);
    }
    std::printf("screens: %lld, runs: %d\n", static_cast<long long>(QGuiApplication::screens().size()), runs);
    for (QScreen *screen : QGuiApplication::screens())
        std::printf("  %s %dx%d at %.1fx\n", qPrintable(screen->name()), screen->geometry().width(),
                    screen->geometry().height(), screen->devicePixelRatio());
    const auto report = [](const char *what, const QList<double> &wall, const QList<double> &cpu) {
        std::printf("%s: median %.1f ms wall (min %.1f, max %.1f), %.1f ms of this process's CPU\n", what, median(wall),
                    *std::min_element(wall.cbegin(), wall.cend()), *std::max_element(wall.cbegin(), wall.cend()),
                    median(cpu));
    };
    report("shortcut to overlay painted", shown, shownCpu);
    report("mouse-up to capture recorded (1200 x 750 points)", recorded, recordedCpu);
    return 0;
}
