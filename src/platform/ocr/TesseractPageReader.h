#pragma once

#include "TesseractEngine.h"

#include <QImage>

#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <vector>

// Reads pages with one Tesseract engine per core: a layout-only engine analyses the page, then the
// page is read in bands of whole blocks (see pageBands), one engine per band at the same time,
// and the bands are joined in reading order. The text is the same as one engine's. Reads are
// serialised; the engines load on first use or when warmed up.
class TesseractPageReader
{
public:
    explicit TesseractPageReader(int engineCount = defaultEngineCount());
    ~TesseractPageReader();
    TesseractPageReader(const TesseractPageReader &) = delete;
    TesseractPageReader &operator=(const TesseractPageReader &) = delete;

    static int defaultEngineCount();

    // Starts loading the models of the first engineCount engines (all by default) on threads of
    // their own and returns at once.
    void warmUpInBackground(std::size_t engineCount = SIZE_MAX);

    // The page's layout and, unless layoutSuffices says the layout alone is enough, its text.
    // Throws OCRError::visionFailed as TesseractEngine does.
    PageRecognition read(const QImage &image,
                         const std::function<bool(const PageRecognition &layout)> &layoutSuffices = {});

private:
    // With two engines, what the page's pixels suggest starts on another thread while the page is
    // laid out. For small text, the layout of the enlarged page, which the layout engine takes if
    // it enlarges the page. Otherwise, for lines of text, the first engine loads if it has not. With
    // both engines loaded, the page is cut at a gap guessed from its pixels and the two bands are
    // laid out: when the page's layout cuts there too and the bands show its blocks and lines,
    // reading starts at once.
    struct BandGuess
    {
        std::vector<QRect> bands;
        std::future<PageRecognition> layouts;
    };

    // Loads the engine's model on a thread of its own; the first read reports a model that fails.
    static std::future<void> loading(TesseractEngine &engine);
    static PageRecognition readWhole(TesseractEngine &engine, const PreparedPage &page, QSize pageSize);
    // Reads each band with an engine of its own, laying it out first unless laidOut.
    PageRecognition readInBands(const PageLayout &analysed, const std::vector<QRect> &bands, bool laidOut,
                                QSize pageSize);
    void startAhead(const QImage &grey);
    bool guessHolds(const PageLayout &analysed);

    TesseractEngine m_layoutEngine{TesseractEngine::Model::layoutOnly};
    TesseractEngine m_enlargedLayoutEngine{TesseractEngine::Model::layoutOnly};
    std::vector<std::unique_ptr<TesseractEngine>> m_engines;
    std::vector<std::future<void>> m_warmUps;
    std::mutex m_readMutex;
    // After the engines: destroyed first, they wait for the work started ahead.
    BandGuess m_guess;
    std::future<PageLayout> m_enlarged;
    std::future<void> m_firstEngineLoading;
};
