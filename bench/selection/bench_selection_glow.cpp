// One frame of the glow window over a 1920 x 1080 selection on a 1920 x 1080 display, as the
// window paints it 60 times a second (so at most about 4 ms), side by side with the part every
// frame pays anyway: copying the frozen content under the glow into the window.
//   bench/selection/run.sh, or on its own:
//   QT_QPA_PLATFORM=offscreen build/bin/bench_selection_glow --benchmark_repetitions=9
#include "overlay/SelectionMagicEffectView.h"

#include <QApplication>
#include <QLinearGradient>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {
const QRect glowFrame(-2, -2, 1924, 1084); // the selection grown by 2 points

QImage frozenContent()
{
    QImage image(1920, 1080, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 1920, 1080);
    gradient.setColorAt(0, QColor(240, 240, 244));
    gradient.setColorAt(1, QColor(60, 80, 120));
    painter.fillRect(image.rect(), gradient);
    return image;
}

void paintFrames(benchmark::State &state, bool withGlow)
{
    SelectionMagicEffectView view(glowFrame, frozenContent(), {});
    view.setReferenceDisplayFrame(QRectF(0, 0, 1920, 1080));
    // Translucent windows paint into premultiplied ARGB backing stores.
    QImage backing(glowFrame.size(), QImage::Format_ARGB32_Premultiplied);
    const QImage content = frozenContent();
    for (auto _ : state) {
        view.restartAnimation(); // every frame at full strength, however slowly the loop runs
        QPainter painter(&backing);
        if (withGlow) {
            view.paintFrame(painter);
        } else {
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.drawImage(QPoint(2, 2), content);
        }
        painter.end();
        benchmark::DoNotOptimize(backing.constBits());
    }
}

void BM_GlowFrame(benchmark::State &state)
{
    paintFrames(state, true);
}
void BM_ContentOnlyFrame(benchmark::State &state)
{
    paintFrames(state, false);
}
// Qt spreads large fills over worker threads: the CPU column counts the whole process.
BENCHMARK(BM_GlowFrame)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_ContentOnlyFrame)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
