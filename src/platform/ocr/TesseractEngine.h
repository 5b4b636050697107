#pragma once

#include "models/OCRResult.h"

#include <QImage>
#include <QRect>
#include <QString>

#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <vector>

namespace tesseract {
class TessBaseAPI;
}

// What Tesseract's page layout analysis calls a block, reduced to what callers tell apart.
enum class PageBlockKind { flowingText, headingText, pulloutText, captionText, table, equation, image, rule, other };

// One recognised text line: its text (no line break at the end), confidence 0...1 and box.
struct RecognisedLine
{
    QString text;
    float confidence = 0.0f;
    QRect box;
    int blockIndex = -1;
};

// One paragraph as the paragraph finder sees it.
struct RecognisedParagraph
{
    QRect box;
    bool listItem = false;
};

// One layout block with the facts a region mapping needs.
struct RecognisedBlock
{
    PageBlockKind kind = PageBlockKind::other;
    QRect box;
    float confidence = 0.0f; // mean word confidence 0...1; 0 for blocks without words
    int lineCount = 0;
    int wordCount = 0;
    int numericWordCount = 0;  // words made of digits, signs and separators only
    int listItemLineCount = 0; // lines of paragraphs the paragraph finder calls list items
    std::vector<RecognisedParagraph> paragraphs;
    int medianLineHeight = 0;
};

// One pass over a page: lines in reading order plus the layout blocks they came from. Boxes are
// in the pixels of the captured image, whatever scaling happened inside. After layout analysis
// alone (recognised false) the lines have boxes but no text, and blocks no confidence.
struct PageRecognition
{
    QSize pageSize;
    std::vector<RecognisedLine> lines;
    std::vector<RecognisedBlock> blocks;
    bool recognised = false;

    // Adds the blocks and lines of a later band of the same page.
    void append(PageRecognition band);
    // Same blocks (kind and box) and same lines (box and block), in the same order.
    bool sameLayoutAs(const PageRecognition &other) const;
};

// A page as Tesseract reads it: 8-bit grey, light text on a dark background inverted, small text
// enlarged by factor.
struct PreparedPage
{
    QImage grey;
    int factor = 1;
};

// The prepared page and its layout, as the engine that analysed it will recognise it.
struct PageLayout
{
    PreparedPage page;
    PageRecognition layout;
};

// One Tesseract engine, initialised on first use and reused: with the English model, or for layout
// analysis only (which loads in milliseconds instead of a tenth of a second and lays pages out the
// same). Calls may come from any thread; they are serialised because the engine is not reentrant.
// Each call runs on the calling thread alone: Tesseract's own OpenMP threads are turned off.
class TesseractEngine
{
public:
    enum class Model { english, layoutOnly };

    // Pages whose text lines are lower than this (median, in pixels) may be read enlarged. Lines of
    // 13 px (12 px DejaVu, terminals) gain, but an enlarged page lays a ruled table out as a
    // picture: they are enlarged only when their layout at the captured size leaves text possible.
    static constexpr int enlargedBelowLineHeight = 14;

    explicit TesseractEngine(Model model = Model::english);
    ~TesseractEngine();
    TesseractEngine(const TesseractEngine &) = delete;
    TesseractEngine &operator=(const TesseractEngine &) = delete;

    // Loads the model now rather than on first use. Throws as below.
    void warmUp();

    // Whether the model is loaded, so that a call would not wait for it.
    bool isLoaded() const { return m_initialised; }

    // Analyses the layout of a page as preparedPage() returns it, enlarging small text, or
    // analyses the rows band of a prepared page on their own. The engine keeps the layout: the
    // next recogniseAnalysed() reads that page or band without analysing it again. Boxes are in
    // the captured image's pixels. noText, when given, says whether a layout leaves no text to
    // read (it keeps such pages at their size). A page to enlarge takes its layout from
    // `enlarged` when that holds one: analyseEnlarged() run by another engine in advance.
    // Each throws OCRError::visionFailed when the model cannot be loaded or recognition fails.
    PageLayout analyse(const QImage &grey, const std::function<bool(const PageRecognition &)> &noText = {},
                       std::future<PageLayout> *enlarged = nullptr);
    PageLayout analyseEnlarged(const QImage &grey);
    // Whether analyse() may enlarge a page of this size.
    static bool canEnlarge(QSize pageSize);
    PageRecognition analyseBand(const PreparedPage &page, QRect band, QSize pageSize);
    PageRecognition recogniseAnalysed();

    // The lines joined with line feeds, their mean confidence (single precision) and the count of
    // non-empty lines; an empty text when nothing was read.
    static OCRResult joinedText(const std::vector<RecognisedLine> &lines);

    // The 8-bit grey page Tesseract reads: light text on a dark background is inverted, because
    // Tesseract reads it as slowly as 2x and no better.
    static QImage preparedPage(const QImage &image);

private:
    void ensureInitialised();
    // The page or band last analysed, whose layout the engine holds.
    struct Analysed
    {
        QSize pageSize;
        int factor = 1;
        QPoint offset;
        bool present = false;
    };

    PageRecognition laidOut(const QImage &grey, Analysed where);
    PageLayout enlargedLayout(const QImage &prepared);

    const Model m_model;
    std::mutex m_mutex;
    std::unique_ptr<tesseract::TessBaseAPI> m_api;
    std::atomic<bool> m_initialised = false;
    Analysed m_analysed;
};
