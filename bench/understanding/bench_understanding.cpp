// Run with --benchmark_repetitions=15 --benchmark_report_aggregates_only=true for medians.
// On a busy machine wall time grows with the load; the CPU column is the steadier figure.
#include "understanding/BridgeInputFile.h"
#include "understanding/CaptureImagePreparer.h"
#include "understanding/CaptureRouteDecider.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

// A screen-like picture: light page, lines of dark "text" strokes, a coloured block.
QImage screenLike(int width, int height, QImage::Format format)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(250, 250, 248));
    QPainter painter(&image);
    for (int y = 40; y + 14 < height; y += 22) {
        for (int x = 30; x + 60 < width; x += 70 + (x * 7 + y) % 40)
            painter.fillRect(x, y, 50 + (x + y) % 20, 12, QColor(30, 30, 35));
    }
    painter.fillRect(width / 2, height / 3, width / 4, height / 4, QColor(40, 110, 200));
    painter.end();
    return image.convertToFormat(format);
}

void prepareCapture(benchmark::State &state, QImage::Format format)
{
    CapturedSelection selection;
    selection.cgImage = screenLike(5120, 2880, format);
    for (auto _ : state) {
        const PreparedCaptureImage prepared = CaptureImagePreparer::prepare(selection, 1024, 0.78);
        benchmark::DoNotOptimize(prepared.data.data());
    }
}
// Qt scales on its thread pool: the CPU column counts every thread of the process.
BENCHMARK_CAPTURE(prepareCapture, rgb32_5120x2880, QImage::Format_RGB32)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK_CAPTURE(prepareCapture, argb32pm_5120x2880, QImage::Format_ARGB32_Premultiplied)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

void decideRoute(benchmark::State &state)
{
    // 50 regions of every kind, overlapping in places, as a busy page would give.
    QList<LayoutRegion> regions;
    for (int i = 0; i < 50; ++i) {
        const LayoutRegionType type = allLayoutRegionTypes[static_cast<std::size_t>(i % 7)];
        regions.append({QUuid::createUuid(), type, 0.5 + (i % 5) * 0.1,
                        QRectF((i * 97) % 1000, (i * 53) % 700, 80 + (i * 13) % 200, 30 + (i * 7) % 90)});
    }
    const CaptureRouteDecider decider;
    for (auto _ : state) {
        const CaptureLayoutAnalysis analysis = decider.analyze(QSizeF(1200, 800), regions);
        benchmark::DoNotOptimize(analysis.metrics.safeText);
    }
}
BENCHMARK(decideRoute)->Unit(benchmark::kMicrosecond);

// The rendered 1200x800 prose capture of the sample set: real anti-aliased text for zlib.
QImage proseCapture()
{
    const QImage prose(QStringLiteral(ORVANTA_PROSE_CAPTURE));
    return prose.isNull() ? screenLike(1200, 800, QImage::Format_RGB32) : prose.convertToFormat(QImage::Format_RGB32);
}

void writeBridgeInput(benchmark::State &state)
{
    const QImage capture = proseCapture();
    QTemporaryDir dir;
    qputenv("TMPDIR", dir.path().toUtf8());
    for (auto _ : state) {
        const BridgeInputFile file(capture);
        benchmark::DoNotOptimize(file.path().size());
    }
}
BENCHMARK(writeBridgeInput)->Unit(benchmark::kMillisecond);

// For comparison: PNG encoding alone at Qt's default level (-1), level 1 (80) and level 0 (90).
void encodePng(benchmark::State &state)
{
    const QImage capture = proseCapture();
    qsizetype size = 0;
    for (auto _ : state) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "png");
        writer.setQuality(static_cast<int>(state.range(0)));
        writer.write(capture);
        size = bytes.size();
    }
    state.counters["bytes"] = static_cast<double>(size);
}
BENCHMARK(encodePng)->Arg(-1)->Arg(80)->Arg(90)->Unit(benchmark::kMillisecond);

// The other half of the hand-over: the bridge decoding that PNG.
void decodePng(benchmark::State &state)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.setQuality(static_cast<int>(state.range(0)));
    writer.write(proseCapture());
    for (auto _ : state) {
        const QImage decoded = QImage::fromData(bytes, "PNG");
        benchmark::DoNotOptimize(decoded.constBits());
    }
}
BENCHMARK(decodePng)->Arg(-1)->Arg(80)->Arg(90)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
