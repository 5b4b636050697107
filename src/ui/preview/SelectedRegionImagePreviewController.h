#pragma once

#include "SelectedRegionImagePreviewContent.h"

#include <QDateTime>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QSize>

#include <optional>

class Clipboard;
class SavePanel;
class QWidget;

// Shows one captured image in an ordinary resizable window, from which it can be copied or saved
// as PNG. One window, reused: presenting again replaces the image and the title and re-centres it.
class SelectedRegionImagePreviewController : public QObject
{
    Q_OBJECT
public:
    static constexpr QSize defaultSize{980, 720};
    static constexpr QSize minimumSize{520, 360};

    SelectedRegionImagePreviewController(Clipboard &clipboard, SavePanel &savePanel, QObject *parent = nullptr);
    ~SelectedRegionImagePreviewController() override;

    void present(const QImage &image, const QString &title, const QDateTime &capturedAt);
    // The open window, or null once the user closed it.
    QWidget *window() const { return m_window; }
    SelectedRegionImagePreviewContent *content() const { return m_content; }

    void copyImage();
    void saveImage();

    // The window's content size for an image of that point size on that visible frame
    // (1440x900 when there is no screen).
    static QSize suggestedSize(const QSizeF &imageSize, const std::optional<QRectF> &visibleFrame);
    // "<title>-yyyy-MM-dd-HHmmss.png" with "/" and ":" made harmless, "orvanta-capture" for a blank title.
    static QString suggestedFileName(const QString &title, const QDateTime &capturedAt);
    static QString windowTitle(const QString &title, const QDateTime &capturedAt);
    // Encodes the image as PNG and replaces the file atomically; throws LibraryError.
    static void writePng(const QImage &image, const QString &filePath);

private:
    Clipboard &m_clipboard;
    SavePanel &m_savePanel;
    QPointer<QWidget> m_window;
    QPointer<SelectedRegionImagePreviewContent> m_content;
    QImage m_image;
    QString m_title;
    QDateTime m_capturedAt;
};
