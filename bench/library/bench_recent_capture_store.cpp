// Capture-library costs on the capture path and at start-up, side by side with the naive choices
// (Qt's default PNG level, decoding every preview while listing).
//   build/bin/bench_recent_capture_store --benchmark_repetitions=9 --benchmark_report_aggregates_only
#include "library/RecentCaptureStore.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImageReader>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {
// A screen-like picture: a gradient title bar, lines of anti-aliased text and flat coloured cards.
QImage screenLikeImage(QSize size, int seed)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(246, 246, 248));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient bar(0, 0, size.width(), 0);
    bar.setColorAt(0, QColor(40, 70, 130));
    bar.setColorAt(1, QColor(100, 40, 150));
    painter.fillRect(0, 0, size.width(), 64, bar);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(22);
    painter.setFont(font);
    for (int y = 110; y < size.height(); y += 36) {
        painter.setPen(QColor(30, 30, 30 + (y + seed) % 90));
        painter.drawText(40, y,
                         QStringLiteral("Quarterly results %1: revenue grew, costs fell, and the outlook for "
                                        "the next two quarters remains cautiously optimistic.")
                             .arg(y + seed));
    }
    for (int i = 0; i < 8; ++i)
        painter.fillRect(size.width() / 2 + (i % 4) * 280, 160 + (i / 4) * 320, 240, 280,
                         QColor::fromHsv((i * 40 + seed) % 360, 110, 235));
    return image;
}

CapturedSelection selectionOf(const QImage &image)
{
    CapturedSelection selection;
    selection.id = QUuid::createUuid();
    selection.sourceAppName = QStringLiteral("Benchmark");
    selection.frameDescription = QStringLiteral("2560 x 1600 at x:0 y:0");
    selection.cgImage = image;
    selection.imageSize = QSizeF(image.size());
    selection.capturedAt = QDateTime::currentDateTime();
    return selection;
}

const QSize captureSize(2560, 1600);

void BM_RecordCapture(benchmark::State &state)
{
    QTemporaryDir dir;
    RecentCaptureStore store(dir.path(), nullptr, nullptr);
    const QImage image = screenLikeImage(captureSize, 1);
    for (int i = 0; i < 8; ++i)
        store.record(selectionOf(screenLikeImage(captureSize, i)));
    for (auto _ : state) {
        CapturedSelection selection = selectionOf(image);
        benchmark::DoNotOptimize(store.record(selection));
    }
}
BENCHMARK(BM_RecordCapture)->Unit(benchmark::kMillisecond)->UseRealTime();

// Qt's default PNG level, for comparison with the level the store uses.
void BM_EncodePngQtDefault(benchmark::State &state)
{
    const QImage image = screenLikeImage(captureSize, 1);
    for (auto _ : state) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter(&buffer, "png").write(image);
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_EncodePngQtDefault)->Unit(benchmark::kMillisecond)->UseRealTime();

class NineCaptures : public benchmark::Fixture
{
public:
    void SetUp(const benchmark::State &) override
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_store = std::make_unique<RecentCaptureStore>(m_dir->path(), nullptr, nullptr);
        for (int i = 0; i < 9; ++i)
            m_store->record(selectionOf(screenLikeImage(captureSize, i)));
    }
    void TearDown(const benchmark::State &) override
    {
        m_store.reset();
        m_dir.reset();
    }

protected:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<RecentCaptureStore> m_store;
};

BENCHMARK_DEFINE_F(NineCaptures, LoadItems)(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(m_store->loadItems());
}
BENCHMARK_REGISTER_F(NineCaptures, LoadItems)->Unit(benchmark::kMillisecond)->UseRealTime();

// What listing would cost if every preview were decoded up front.
BENCHMARK_DEFINE_F(NineCaptures, LoadItemsDecodingEveryPreview)(benchmark::State &state)
{
    for (auto _ : state) {
        for (const RecentCaptureItem &item : m_store->loadItems())
            benchmark::DoNotOptimize(QImageReader(item.fileURL).read());
    }
}
BENCHMARK_REGISTER_F(NineCaptures, LoadItemsDecodingEveryPreview)->Unit(benchmark::kMillisecond)->UseRealTime();

// A strip thumbnail decoded at the size shown.
BENCHMARK_DEFINE_F(NineCaptures, NineThumbnails)(benchmark::State &state)
{
    const QList<RecentCaptureItem> items = m_store->loadItems();
    for (auto _ : state) {
        for (const RecentCaptureItem &item : items)
            benchmark::DoNotOptimize(item.previewImage.thumbnail(QSize(160, 100)));
    }
}
BENCHMARK_REGISTER_F(NineCaptures, NineThumbnails)->Unit(benchmark::kMillisecond)->UseRealTime();
} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
