#include "TesseractPageReader.h"

#include "PageBands.h"

#include <QThread>

#include <malloc.h>

#include <algorithm>

namespace {

// Reading a page leaves tens of megabytes in the allocator's free lists, spread over the threads
// that read its bands. Handing them back to the system takes about a millisecond and keeps an idle
// application or bridge from holding on to its largest page's peak.
struct FreedMemoryReturner
{
    FreedMemoryReturner() = default;
    FreedMemoryReturner(const FreedMemoryReturner &) = delete;
    FreedMemoryReturner &operator=(const FreedMemoryReturner &) = delete;
    ~FreedMemoryReturner() { malloc_trim(0); }
};

} // namespace

TesseractPageReader::TesseractPageReader(int engineCount)
{
    for (int i = 0; i < std::max(1, engineCount); ++i)
        m_engines.push_back(std::make_unique<TesseractEngine>());
}

TesseractPageReader::~TesseractPageReader()
{
    for (std::future<void> &warmUp : m_warmUps)
        warmUp.wait();
}

int TesseractPageReader::defaultEngineCount()
{
    return std::max(1, QThread::idealThreadCount());
}

void TesseractPageReader::warmUpInBackground()
{
    for (const std::unique_ptr<TesseractEngine> &engine : m_engines) {
        m_warmUps.push_back(std::async(std::launch::async, [raw = engine.get()] {
            try {
                raw->warmUp();
            } catch (const std::exception &) {
                // The first real read reports a model that cannot be loaded.
            }
        }));
    }
}

PageRecognition TesseractPageReader::readWhole(const PreparedPage &page, QSize pageSize)
{
    TesseractEngine &engine = *m_engines.front();
    engine.analyseBand(page, QRect(QPoint(0, 0), page.grey.size()), pageSize);
    return engine.recogniseAnalysed();
}

PageRecognition TesseractPageReader::read(const QImage &image,
                                          const std::function<bool(const PageRecognition &)> &layoutSuffices)
{
    const FreedMemoryReturner returner; // first, so that it runs once the page's locals are gone
    std::lock_guard lock(m_readMutex);
    PageLayout analysed = m_layoutEngine.analyse(image, layoutSuffices);
    if (layoutSuffices && layoutSuffices(analysed.layout))
        return std::move(analysed.layout);
    if (analysed.page.grey.isNull()) {
        analysed.layout.recognised = true;
        return std::move(analysed.layout);
    }

    const std::vector<QRect> bands = pageBands(analysed.layout, analysed.page.factor, int(m_engines.size()));
    if (bands.size() < 2)
        return readWhole(analysed.page, image.size());

    // A band laid out alone can differ from the page (a lone bullet may join its line), so the
    // bands are read apart only when together they show exactly the page's blocks and lines.
    const auto inParallel = [&](const auto &job) {
        std::vector<std::future<PageRecognition>> others;
        for (std::size_t i = 1; i < bands.size(); ++i)
            others.push_back(std::async(std::launch::async, job, i));
        std::exception_ptr failure;
        PageRecognition joined;
        try {
            joined = job(0);
        } catch (...) {
            failure = std::current_exception();
        }
        for (std::future<PageRecognition> &other : others) {
            try {
                joined.append(other.get());
            } catch (...) {
                failure = failure ? failure : std::current_exception();
            }
        }
        if (failure)
            std::rethrow_exception(failure);
        return joined;
    };
    const PageRecognition bandLayouts =
        inParallel([&](std::size_t i) { return m_engines[i]->analyseBand(analysed.page, bands[i], image.size()); });
    if (!bandLayouts.sameLayoutAs(analysed.layout))
        return readWhole(analysed.page, image.size());
    return inParallel([&](std::size_t i) { return m_engines[i]->recogniseAnalysed(); });
}
