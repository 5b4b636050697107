// bench_home_window [RUNS]: with nine 5120x2880 captures in the library, measures (median of RUNS)
// the time from creating the home window to its first paint on screen, the time until every
// thumbnail has been decoded on the worker threads, and the slowest step of scrolling the window
// from top to bottom once they are in. One full-size decode on the main thread is measured in the
// same run for comparison: opening and scrolling must cost far less than one such decode. Run it
// under an X server (scripts/with-xvfb).
#include "ControllerHarness.h"
#include "TemporaryHome.h"
#include "home/CaptureImageCache.h"
#include "home/HomeView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImageReader>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include <algorithm>
#include <cstdio>

namespace {
// A 5K screen of "text": line-like strokes over a gradient, so the PNG is as costly to decode as
// a real screenshot rather than a flat colour.
CapturedSelection fiveKCapture(int index)
{
    const QSize size(5120, 2880);
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, size.width(), size.height());
    gradient.setColorAt(0, QColor::fromHsv((index * 40) % 360, 40, 250));
    gradient.setColorAt(1, QColor::fromHsv((index * 40 + 90) % 360, 70, 220));
    painter.fillRect(image.rect(), gradient);
    painter.setPen(QColor(30, 30, 40));
    QFont font;
    font.setPixelSize(28);
    painter.setFont(font);
    for (int line = 0; line * 40 < size.height(); ++line)
        painter.drawText(40, 40 + line * 40,
                         QStringLiteral("Line %1 of capture %2: the quick brown fox jumps over "
                                        "the lazy dog, 0123456789 (%3)")
                             .arg(line)
                             .arg(index)
                             .arg(line * 7919 % 10007));
    painter.end();
    CapturedSelection selection = FakeCaptureService::makeSelection(QSize(8, 8));
    selection.cgImage = image;
    selection.imageSize = QSizeF(size);
    selection.capturedAt = QDateTime::currentDateTime().addSecs(index);
    return selection;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 5;
    TemporaryHome home;
    ControllerHarness h(home.path() + QStringLiteral("/library"), false);
    std::printf("recording nine 5120x2880 captures...\n");
    for (int i = 0; i < 9; ++i)
        h.store.record(fiveKCapture(i));
    h.makeController();
    const QString newest = h.controller->recentCaptures().first().fileURL;

    QList<double> opened, decoded, scrollStep, fullDecode;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        QImageReader reader(newest);
        const QImage full = reader.read();
        fullDecode.append(timer.nsecsElapsed() / 1e6);
        if (full.isNull())
            return 1;

        timer.restart();
        auto view = std::make_unique<HomeView>(*h.controller, h.session, &h.notifications);
        view->resize(1040, 720);
        view->show();
        if (!QTest::qWaitForWindowExposed(view.get()))
            return 1;
        QApplication::processEvents();
        opened.append(timer.nsecsElapsed() / 1e6);

        while (view->imageCache().isDecoding())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        decoded.append(timer.nsecsElapsed() / 1e6);

        QScrollBar *bar = view->scrollArea()->verticalScrollBar();
        double slowest = 0;
        for (int step = 0; step <= 20; ++step) {
            timer.restart();
            bar->setValue(bar->maximum() * step / 20);
            view->repaint();
            QApplication::processEvents();
            slowest = std::max(slowest, timer.nsecsElapsed() / 1e6);
        }
        scrollStep.append(slowest);
        std::printf("run %d: open %.1f ms, thumbnails %.1f ms, slowest scroll step %.1f ms, one full decode %.1f ms\n",
                    run + 1, opened.last(), decoded.last(), scrollStep.last(), fullDecode.last());
    }
    const double decode = median(fullDecode);
    std::printf("median: open %.1f ms (%.2f x one full decode), thumbnails ready %.1f ms, slowest scroll step "
                "%.1f ms (%.2f x one full decode), one full decode %.1f ms\n",
                median(opened), median(opened) / decode, median(decoded), median(scrollStep),
                median(scrollStep) / decode, decode);
    return 0;
}
