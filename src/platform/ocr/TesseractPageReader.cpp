#include "TesseractPageReader.h"

#include "PageBands.h"
#include "PageRows.h"

#include <QThread>

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <optional>

namespace {

// Runs job(i) for every band i at the same time and joins the results in band order.
PageRecognition onEachBand(std::size_t count, const std::function<PageRecognition(std::size_t)> &job)
{
    std::vector<std::future<PageRecognition>> others;
    for (std::size_t i = 1; i < count; ++i)
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
}

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

std::future<void> TesseractPageReader::loading(TesseractEngine &engine)
{
    return std::async(std::launch::async, [&engine] {
        try {
            engine.warmUp();
        } catch (const std::exception &) {
            // The first real read reports a model that cannot be loaded.
        }
    });
}

void TesseractPageReader::warmUpInBackground(std::size_t engineCount)
{
    for (std::size_t i = 0; i < std::min(engineCount, m_engines.size()); ++i)
        m_warmUps.push_back(loading(*m_engines[i]));
}

PageRecognition TesseractPageReader::readWhole(TesseractEngine &engine, const PreparedPage &page, QSize pageSize)
{
    engine.analyseBand(page, QRect(QPoint(0, 0), page.grey.size()), pageSize);
    return engine.recogniseAnalysed();
}

PageRecognition TesseractPageReader::readInBands(const PageLayout &analysed, const std::vector<QRect> &bands,
                                                 bool laidOut, QSize pageSize)
{
    // A band laid out alone can differ from the page (a lone bullet may join its line), so a band
    // is read apart only when it shows exactly its part of the page's blocks and lines. Each band
    // is read as soon as it is found to, the first one often while the next engine still loads.
    // Otherwise the engine that finds out reads the whole page, and the others stop.
    std::atomic<bool> wholeTaken = false;
    std::optional<PageRecognition> whole;
    PageRecognition joined = onEachBand(bands.size(), [&](std::size_t i) {
        TesseractEngine &engine = *m_engines[i];
        if (!laidOut && !engine.analyseBand(analysed.page, bands[i], pageSize)
                             .sameLayoutAs(pagePart(analysed.layout, analysed.page.factor, bands[i]))) {
            if (!wholeTaken.exchange(true))
                whole = readWhole(engine, analysed.page, pageSize);
            return PageRecognition{};
        }
        return wholeTaken ? PageRecognition{} : engine.recogniseAnalysed();
    });
    return whole ? std::move(*whole) : std::move(joined);
}

void TesseractPageReader::startAhead(const QImage &grey)
{
    // Waits for what the page before may have left running.
    m_guess = {};
    m_enlarged = {};
    if (m_engines.size() < 2)
        return;
    const PageRows rows(grey);
    if (rows.totalInk() == 0)
        return; // nothing to read
    // Runs of ink taller than three small lines are no single line: a chart's plot, a picture.
    // Its axis labels and captions still tell the text's size.
    const int lineHeight = rows.medianInkRunHeight(3 * TesseractEngine::enlargedBelowLineHeight);
    if (lineHeight > 0 && lineHeight < TesseractEngine::enlargedBelowLineHeight) {
        // Small text: the page is likely read enlarged, whose layout takes the longest.
        if (TesseractEngine::canEnlarge(grey.size()))
            m_enlarged =
                std::async(std::launch::async, [this, grey] { return m_enlargedLayoutEngine.analyseEnlarged(grey); });
        return;
    }
    if (!m_engines.front()->isLoaded()) {
        // Lines of text to read, likely: the first engine loads while the page is laid out.
        if (lineHeight > 0)
            m_firstEngineLoading = loading(*m_engines.front());
        return;
    }
    if (m_engines.size() != 2 || !m_engines.back()->isLoaded())
        return;
    const int end = guessedFirstBandEnd(rows, 0.5);
    if (end <= 0)
        return;
    m_guess.bands = {QRect(0, 0, grey.width(), end), QRect(0, end, grey.width(), grey.height() - end)};
    m_guess.layouts = std::async(std::launch::async, [this, page = PreparedPage{grey, 1}, bands = m_guess.bands] {
        PageRecognition layouts = m_engines[0]->analyseBand(page, bands[0], page.grey.size());
        layouts.append(m_engines[1]->analyseBand(page, bands[1], page.grey.size()));
        return layouts;
    });
}

bool TesseractPageReader::guessHolds(const PageLayout &analysed)
{
    if (!m_guess.layouts.valid())
        return false;
    try {
        const PageRecognition layouts = m_guess.layouts.get();
        return analysed.page.factor == 1 && isBandCut(analysed.layout, m_guess.bands.back().top()) &&
               layouts.sameLayoutAs(analysed.layout);
    } catch (const std::exception &) {
        return false; // read again below, where a failure is reported
    }
}

PageRecognition TesseractPageReader::read(const QImage &image,
                                          const std::function<bool(const PageRecognition &)> &layoutSuffices)
{
    const FreedMemoryReturner returner; // first, so that it runs once the page's locals are gone
    std::lock_guard lock(m_readMutex);
    const QImage grey = TesseractEngine::preparedPage(image);
    startAhead(grey);
    PageLayout analysed = m_layoutEngine.analyse(grey, layoutSuffices, &m_enlarged);
    if (layoutSuffices && layoutSuffices(analysed.layout))
        return std::move(analysed.layout); // what was started ahead ends in the background
    if (analysed.page.grey.isNull()) {
        analysed.layout.recognised = true;
        return std::move(analysed.layout);
    }

    const bool guessed = guessHolds(analysed);
    const std::vector<QRect> bands =
        guessed ? m_guess.bands : pageBands(analysed.layout, analysed.page.factor, int(m_engines.size()));
    if (bands.size() < 2)
        return readWhole(*m_engines.front(), analysed.page, image.size());
    return readInBands(analysed, bands, guessed, image.size());
}
