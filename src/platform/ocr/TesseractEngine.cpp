#include "TesseractEngine.h"

#include "understanding/OCRError.h"

#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <QStringList>

#include <algorithm>

namespace {

// Text lines lower than this (median, in pixels) are read at twice the size: Tesseract's error
// rate on 12 px text drops about five-fold, while 14 px and larger text gains nothing.
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

QRect boxAt(const tesseract::PageIterator &it, tesseract::PageIteratorLevel level, int factor)
{
    int left = 0, top = 0, right = 0, bottom = 0;
    if (!it.BoundingBox(level, &left, &top, &right, &bottom))
        return {};
    return QRect(QPoint(left / factor, top / factor),
                 QPoint((right + factor - 1) / factor - 1, (bottom + factor - 1) / factor - 1));
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

} // namespace

TesseractEngine::TesseractEngine() = default;

TesseractEngine::~TesseractEngine()
{
    if (m_api)
        m_api->End();
}

void TesseractEngine::ensureInitialised()
{
    if (m_initialised)
        return;
    auto api = std::make_unique<tesseract::TessBaseAPI>();
    if (api->Init(nullptr, "eng", tesseract::OEM_LSTM_ONLY) != 0)
        throw OCRError::visionFailed(QStringLiteral("The English text recognition model could not be loaded."));
    api->SetPageSegMode(tesseract::PSM_AUTO);
    // Diagnostics such as resolution estimates are of no use to our users.
    api->SetVariable("debug_file", "/dev/null");
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

int TesseractEngine::upscaleFactorFor(const QImage &page)
{
    if (qint64(page.width()) * page.height() * kUpscaleFactor * kUpscaleFactor > kMaxUpscaledPixels)
        return 1;
    m_api->SetImage(page.constBits(), page.width(), page.height(), 1, int(page.bytesPerLine()));
    std::unique_ptr<tesseract::PageIterator> it(m_api->AnalyseLayout());
    std::vector<int> heights;
    if (it) {
        do {
            if (!it->Empty(tesseract::RIL_TEXTLINE))
                heights.push_back(boxAt(*it, tesseract::RIL_TEXTLINE, 1).height());
        } while (it->Next(tesseract::RIL_TEXTLINE));
    }
    const int height = median(heights);
    return height > 0 && height < kSmallLineHeight ? kUpscaleFactor : 1;
}

PageRecognition TesseractEngine::recognise(const QImage &image)
{
    std::lock_guard lock(m_mutex);
    ensureInitialised();

    PageRecognition page;
    page.pageSize = image.size();
    if (image.isNull())
        return page;

    QImage grey = preparedPage(image);
    const int factor = upscaleFactorFor(grey);
    if (factor > 1)
        grey = grey.scaled(grey.size() * factor, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    m_api->SetImage(grey.constBits(), grey.width(), grey.height(), 1, int(grey.bytesPerLine()));
    if (m_api->Recognize(nullptr) != 0) {
        m_api->Clear();
        throw OCRError::visionFailed(QStringLiteral("Tesseract could not recognise the image."));
    }

    std::unique_ptr<tesseract::ResultIterator> it(m_api->GetIterator());
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
                block.box = boxAt(*it, tesseract::RIL_BLOCK, factor);
                block.confidence = unitConfidence(it->Confidence(tesseract::RIL_BLOCK));
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
                paragraph.box = boxAt(*it, tesseract::RIL_PARA, factor);
                block.paragraphs.push_back(paragraph);
            }
            if (it->IsAtBeginningOf(tesseract::RIL_TEXTLINE) && !it->Empty(tesseract::RIL_TEXTLINE)) {
                const QString text = takeText(it->GetUTF8Text(tesseract::RIL_TEXTLINE)).trimmed();
                if (!text.isEmpty()) {
                    const QRect box = boxAt(*it, tesseract::RIL_TEXTLINE, factor);
                    page.lines.push_back({text, unitConfidence(it->Confidence(tesseract::RIL_TEXTLINE)), box,
                                          int(page.blocks.size()) - 1});
                    lineHeights.push_back(box.height());
                    ++block.lineCount;
                    if (!block.paragraphs.empty() && block.paragraphs.back().listItem)
                        ++block.listItemLineCount;
                }
            }
        } while (it->Next(tesseract::RIL_TEXTLINE));
    }
    closeBlock();
    m_api->Clear();
    return page;
}
