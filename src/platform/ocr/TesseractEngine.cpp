#include "TesseractEngine.h"

#include "understanding/OCRError.h"

#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <QStringList>

#include <omp.h>

#include <algorithm>
#include <iterator>

namespace {

// Text lines lower than this (median, in pixels) are read at twice the size: Tesseract's error
// rate on 12 px Liberation text (12 px lines) drops about five-fold, while 14 px and larger text
// gains nothing.
constexpr int kSmallLineHeight = 13;
constexpr int kUpscaleFactor = 2;
// Keeps upscaled pages within a sane memory budget.
constexpr qint64 kMaxUpscaledPixels = 24'000'000;

PageBlockKind blockKind(tesseract::PolyBlockType type)
{
    switch (type) {
    case tesseract::PT_FLOWING_TEXT:
    case tesseract::PT_VERTICAL_TEXT:
        return PageBlockKind::flowingText;
    case tesseract::PT_HEADING_TEXT:
        return PageBlockKind::headingText;
    case tesseract::PT_PULLOUT_TEXT:
        return PageBlockKind::pulloutText;
    case tesseract::PT_CAPTION_TEXT:
        return PageBlockKind::captionText;
    case tesseract::PT_TABLE:
        return PageBlockKind::table;
    case tesseract::PT_EQUATION:
    case tesseract::PT_INLINE_EQUATION:
        return PageBlockKind::equation;
    case tesseract::PT_FLOWING_IMAGE:
    case tesseract::PT_HEADING_IMAGE:
    case tesseract::PT_PULLOUT_IMAGE:
        return PageBlockKind::image;
    case tesseract::PT_HORZ_LINE:
    case tesseract::PT_VERT_LINE:
        return PageBlockKind::rule;
    default:
        return PageBlockKind::other;
    }
}

QString takeText(char *utf8)
{
    const QString text = QString::fromUtf8(utf8);
    delete[] utf8;
    return text;
}

// Where on the prepared page a band starts, and how much larger that page is than the capture.
struct Placement
{
    QPoint offset;
    int factor = 1;
};

QRect boxAt(const tesseract::PageIterator &it, tesseract::PageIteratorLevel level, Placement at)
{
    int left = 0, top = 0, right = 0, bottom = 0;
    if (!it.BoundingBox(level, &left, &top, &right, &bottom))
        return {};
    left += at.offset.x();
    right += at.offset.x();
    top += at.offset.y();
    bottom += at.offset.y();
    const int f = at.factor;
    return QRect(QPoint(left / f, top / f), QPoint((right + f - 1) / f - 1, (bottom + f - 1) / f - 1));
}

int median(std::vector<int> values)
{
    if (values.empty())
        return 0;
    auto middle = values.begin() + std::ptrdiff_t(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

float unitConfidence(float percent)
{
    return std::clamp(percent / 100.0f, 0.0f, 1.0f);
}

int nonEmptyLineCount(const QString &text)
{
    static const QString breaks = QStringLiteral("\n\v\f\r\u0085\u2028\u2029");
    int count = 0;
    bool inLine = false;
    for (const QChar c : text) {
        if (breaks.contains(c)) {
            inLine = false;
        } else if (!inLine) {
            inLine = true;
            ++count;
        }
    }
    return count;
}

// Walks a laid-out page; words is the same iterator when the page was also recognised.
PageRecognition collect(tesseract::PageIterator *it, tesseract::ResultIterator *words, Placement at, QSize pageSize)
{
    PageRecognition page;
    page.pageSize = pageSize;
    page.recognised = words != nullptr;
    std::vector<int> lineHeights;
    const auto closeBlock = [&] {
        if (!page.blocks.empty())
            page.blocks.back().medianLineHeight = median(lineHeights);
        lineHeights.clear();
    };
    if (it) {
        do {
            if (it->IsAtBeginningOf(tesseract::RIL_BLOCK)) {
                closeBlock();
                RecognisedBlock block;
                block.kind = blockKind(it->BlockType());
                block.box = boxAt(*it, tesseract::RIL_BLOCK, at);
                block.confidence = words ? unitConfidence(words->Confidence(tesseract::RIL_BLOCK)) : 0.0f;
                page.blocks.push_back(block);
            }
            if (page.blocks.empty())
                continue;
            RecognisedBlock &block = page.blocks.back();
            if (it->IsAtBeginningOf(tesseract::RIL_PARA) && !it->Empty(tesseract::RIL_PARA)) {
                tesseract::ParagraphJustification justification{};
                RecognisedParagraph paragraph;
                bool crown = false;
                int indent = 0;
                it->ParagraphInfo(&justification, &paragraph.listItem, &crown, &indent);
                paragraph.box = boxAt(*it, tesseract::RIL_PARA, at);
                block.paragraphs.push_back(paragraph);
            }
            if (!it->IsAtBeginningOf(tesseract::RIL_TEXTLINE) || it->Empty(tesseract::RIL_TEXTLINE))
                continue;
            const QString text = words ? takeText(words->GetUTF8Text(tesseract::RIL_TEXTLINE)).trimmed() : QString();
            if (words && text.isEmpty())
                continue;
            const QRect box = boxAt(*it, tesseract::RIL_TEXTLINE, at);
            const float confidence = words ? unitConfidence(words->Confidence(tesseract::RIL_TEXTLINE)) : 0.0f;
            page.lines.push_back({text, confidence, box, int(page.blocks.size()) - 1});
            lineHeights.push_back(box.height());
            ++block.lineCount;
            if (!block.paragraphs.empty() && block.paragraphs.back().listItem)
                ++block.listItemLineCount;
        } while (it->Next(tesseract::RIL_TEXTLINE));
    }
    closeBlock();
    return page;
}

} // namespace

void PageRecognition::append(PageRecognition band)
{
    const int firstBlock = int(blocks.size());
    for (RecognisedLine &line : band.lines) {
        line.blockIndex += firstBlock;
        lines.push_back(std::move(line));
    }
    std::move(band.blocks.begin(), band.blocks.end(), std::back_inserter(blocks));
}

bool PageRecognition::sameLayoutAs(const PageRecognition &other) const
{
    return std::equal(
               blocks.begin(), blocks.end(), other.blocks.begin(), other.blocks.end(),
               [](const RecognisedBlock &a, const RecognisedBlock &b) { return a.kind == b.kind && a.box == b.box; }) &&
           std::equal(lines.begin(), lines.end(), other.lines.begin(), other.lines.end(),
                      [](const RecognisedLine &a, const RecognisedLine &b) {
                          return a.box == b.box && a.blockIndex == b.blockIndex;
                      });
}

TesseractEngine::TesseractEngine(Model model) : m_model(model) {}

TesseractEngine::~TesseractEngine()
{
    if (m_api)
        m_api->End();
}

void TesseractEngine::warmUp()
{
    std::lock_guard lock(m_mutex);
    ensureInitialised();
}

void TesseractEngine::ensureInitialised()
{
    // Tesseract's OpenMP threads make recognition 3-5 times slower on few cores, and the runtime
    // reads OMP_THREAD_LIMIT only when it loads, before main() could set it: parallel regions are
    // turned off here instead, on the thread about to use the engine. Pages are parallelised by
    // running engines side by side.
    omp_set_max_active_levels(0);
    if (m_initialised)
        return;
    auto api = std::make_unique<tesseract::TessBaseAPI>();
    if (m_model == Model::layoutOnly)
        api->InitForAnalysePage();
    else if (api->Init(nullptr, "eng", tesseract::OEM_LSTM_ONLY) != 0)
        throw OCRError::visionFailed(QStringLiteral("The English text recognition model could not be loaded."));
    api->SetPageSegMode(tesseract::PSM_AUTO);
    // Diagnostics such as resolution estimates are of no use to our users.
    api->SetVariable("debug_file", "/dev/null");
    // The fixed-pitch test, a sixth of the layout analysis of a prose page, only splits lines into
    // words for the older recogniser: the LSTM model reads whole lines and finds spaces itself.
    api->SetVariable("textord_all_prop", "1");
    m_api = std::move(api);
    m_initialised = true;
}

OCRResult TesseractEngine::joinedText(const std::vector<RecognisedLine> &lines)
{
    QStringList texts;
    float sum = 0.0f;
    for (const RecognisedLine &line : lines) {
        texts.append(line.text);
        sum += line.confidence;
    }
    OCRResult result;
    result.text = texts.join(QLatin1Char('\n'));
    result.confidence = double(sum / float(std::max<std::size_t>(1, lines.size())));
    result.lineCount = nonEmptyLineCount(result.text);
    return result;
}

QImage TesseractEngine::preparedPage(const QImage &image)
{
    QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    qint64 sum = 0;
    for (int y = 0; y < grey.height(); ++y) {
        const uchar *row = grey.constScanLine(y);
        for (int x = 0; x < grey.width(); ++x)
            sum += row[x];
    }
    const qint64 pixels = qint64(grey.width()) * grey.height();
    if (pixels > 0 && sum < pixels * 128)
        grey.invertPixels();
    return grey;
}

PageRecognition TesseractEngine::laidOut(const QImage &grey, Analysed where)
{
    m_api->SetImage(grey.constBits(), grey.width(), grey.height(), 1, int(grey.bytesPerLine()));
    std::unique_ptr<tesseract::PageIterator> it(m_api->AnalyseLayout());
    PageRecognition layout = collect(it.get(), nullptr, {where.offset, where.factor}, where.pageSize);
    it.reset();
    // A layout-only engine cannot read the page, so it lets go of it (an enlarged one is large).
    where.present = m_model != Model::layoutOnly;
    if (!where.present)
        m_api->Clear();
    m_analysed = where;
    return layout;
}

PageLayout TesseractEngine::analyse(const QImage &prepared, const std::function<bool(const PageRecognition &)> &noText,
                                    std::future<PageLayout> *enlarged)
{
    std::lock_guard lock(m_mutex);
    ensureInitialised();
    m_api->Clear();
    m_analysed = {prepared.size(), 1, {}, false};
    PageLayout result;
    result.layout.pageSize = prepared.size();
    if (prepared.isNull())
        return result;
    PageRecognition layout = laidOut(prepared, {prepared.size(), 1, {}, true});
    std::vector<int> heights;
    for (const RecognisedLine &line : layout.lines)
        heights.push_back(line.box.height());
    const int height = median(heights);
    const bool small =
        height > 0 && (height < kSmallLineHeight || (height < enlargedBelowLineHeight && !(noText && noText(layout))));
    if (small && canEnlarge(prepared.size()))
        return enlarged && enlarged->valid() ? enlarged->get() : enlargedLayout(prepared);
    result.page = {prepared, 1};
    result.layout = std::move(layout);
    return result;
}

bool TesseractEngine::canEnlarge(QSize pageSize)
{
    return qint64(pageSize.width()) * pageSize.height() * kUpscaleFactor * kUpscaleFactor <= kMaxUpscaledPixels;
}

PageLayout TesseractEngine::analyseEnlarged(const QImage &prepared)
{
    std::lock_guard lock(m_mutex);
    ensureInitialised();
    m_api->Clear();
    return enlargedLayout(prepared);
}

PageLayout TesseractEngine::enlargedLayout(const QImage &prepared)
{
    PageLayout result;
    result.page = {prepared.scaled(prepared.size() * kUpscaleFactor, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
                   kUpscaleFactor};
    result.layout = laidOut(result.page.grey, {prepared.size(), kUpscaleFactor, {}, true});
    return result;
}

PageRecognition TesseractEngine::analyseBand(const PreparedPage &page, QRect band, QSize pageSize)
{
    std::lock_guard lock(m_mutex);
    ensureInitialised();
    return laidOut(page.grey.copy(band), {pageSize, page.factor, band.topLeft(), true});
}

PageRecognition TesseractEngine::recogniseAnalysed()
{
    std::lock_guard lock(m_mutex);
    ensureInitialised();
    const Analysed where = m_analysed;
    m_analysed.present = false;
    if (!where.present) {
        PageRecognition empty;
        empty.pageSize = where.pageSize;
        empty.recognised = true;
        return empty;
    }
    if (m_api->Recognize(nullptr) != 0) {
        m_api->Clear();
        throw OCRError::visionFailed(QStringLiteral("Tesseract could not recognise the image."));
    }
    std::unique_ptr<tesseract::ResultIterator> it(m_api->GetIterator());
    PageRecognition page = collect(it.get(), it.get(), {where.offset, where.factor}, where.pageSize);
    it.reset();
    m_api->Clear();
    return page;
}
