#include "SelectedRegionImagePreviewController.h"

#include "CaptureTimestamp.h"
#include "SelectedRegionImagePreviewContent.h"
#include "brand/BrandMark.h"
#include "library/SavePanel.h"
#include "support/AtomicFile.h"
#include "support/Clipboard.h"
#include "support/OrvantaError.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

#include <cmath>

Q_LOGGING_CATEGORY(lcPreview, "orvanta.preview")

SelectedRegionImagePreviewController::SelectedRegionImagePreviewController(Clipboard &clipboard, SavePanel &savePanel,
                                                                           QObject *parent)
    : QObject(parent)
    , m_clipboard(clipboard)
    , m_savePanel(savePanel)
{}

SelectedRegionImagePreviewController::~SelectedRegionImagePreviewController()
{
    delete m_window;
}

void SelectedRegionImagePreviewController::present(const QImage &image, const QString &title,
                                                   const QDateTime &capturedAt)
{
    m_image = image;
    m_title = title;
    m_capturedAt = capturedAt;
    if (!m_window) {
        m_window = new QWidget(nullptr, Qt::Window);
        // Closing forgets the window, as the next present builds it afresh.
        m_window->setAttribute(Qt::WA_DeleteOnClose);
        m_window->setWindowIcon(BrandMark::appIcon());
        m_window->setMinimumSize(minimumSize);
        m_window->resize(defaultSize);
        m_content = new SelectedRegionImagePreviewContent;
        auto *layout = new QVBoxLayout(m_window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(m_content);
        connect(m_content, &SelectedRegionImagePreviewContent::copyRequested, this,
                &SelectedRegionImagePreviewController::copyImage);
        connect(m_content, &SelectedRegionImagePreviewContent::saveRequested, this,
                &SelectedRegionImagePreviewController::saveImage);
    }
    m_content->setImage(image);
    m_window->setWindowTitle(windowTitle(title, capturedAt));

    const QScreen *screen = QGuiApplication::primaryScreen();
    const std::optional<QRectF> frame = screen ? std::optional<QRectF>(screen->availableGeometry()) : std::nullopt;
    QRect geometry(QPoint(), suggestedSize(image.deviceIndependentSize(), frame));
    if (frame)
        geometry.moveCenter(frame->toRect().center());
    m_window->setGeometry(geometry);
    m_window->showNormal();
    m_window->raise();
    m_window->activateWindow();
}

void SelectedRegionImagePreviewController::copyImage()
{
    m_clipboard.writeImage(m_image);
}

void SelectedRegionImagePreviewController::saveImage()
{
    const QImage image = m_image;
    m_savePanel.chooseSaveLocation(
        suggestedFileName(m_title, m_capturedAt), [image](std::optional<QString> destination) {
            if (!destination || destination->isEmpty())
                return;
            try {
                writePng(image, *destination);
            } catch (const OrvantaError &error) {
                // The user is not told: the window stays as it was.
                qCWarning(lcPreview).noquote()
                    << QStringLiteral("[SelectedRegionImagePreview] Failed to save image: %1").arg(error.message());
            }
        });
}

QSize SelectedRegionImagePreviewController::suggestedSize(const QSizeF &imageSize,
                                                          const std::optional<QRectF> &visibleFrame)
{
    const double w = imageSize.width();
    const double h = imageSize.height();
    if (!(w > 0) || !(h > 0))
        return defaultSize;
    const QSizeF frame = visibleFrame ? visibleFrame->size() : QSizeF(1440, 900);
    const double scale = std::min({1.0, 0.82 * frame.width() / w, 0.82 * frame.height() / h});
    return {std::max(minimumSize.width(), static_cast<int>(std::floor(w * scale))),
            std::max(minimumSize.height(), static_cast<int>(std::floor(h * scale)))};
}

QString SelectedRegionImagePreviewController::suggestedFileName(const QString &title, const QDateTime &capturedAt)
{
    QString base = title.trimmed();
    base.replace(QLatin1Char('/'), QLatin1Char('-')).replace(QLatin1Char(':'), QLatin1Char('-'));
    if (base.isEmpty())
        base = QStringLiteral("orvanta-capture");
    return base + QLatin1Char('-') + capturedAt.toLocalTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss")) +
           QStringLiteral(".png");
}

QString SelectedRegionImagePreviewController::windowTitle(const QString &title, const QDateTime &capturedAt)
{
    return title + QStringLiteral(" \u2022 ") + localCaptureTimestamp(capturedAt);
}

void SelectedRegionImagePreviewController::writePng(const QImage &image, const QString &filePath)
{
    if (image.isNull())
        throw LibraryError(QStringLiteral("Could not read image data."));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        throw LibraryError(QStringLiteral("Could not encode image as PNG."));
    writeFileAtomically(filePath, bytes);
}
