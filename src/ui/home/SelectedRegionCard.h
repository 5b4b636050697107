#pragma once

#include "library/RecentCaptureItem.h"

#include "theme/RoundedPanel.h"

#include <optional>

class AppViewModel;
class CaptureImageCache;
class CapturePreviewButton;
class QLabel;
class QPushButton;
class QStackedLayout;
class RecentCaptureStrip;
class RecentCaptureToast;

// "User Selected Region": the selected stored capture with its details and Copy, Save and Ask
// Again (or a placeholder when the library is empty), the toast, and the strip of recent captures.
class SelectedRegionCard : public RoundedPanel
{
    Q_OBJECT
public:
    static inline const QString placeholderText = QStringLiteral("Selected region preview will appear here.");
    static inline const QString copyTitle = QStringLiteral("Copy");
    static inline const QString saveTitle = QStringLiteral("Save");
    static inline const QString askAgainTitle = QStringLiteral("Ask Again");

    SelectedRegionCard(AppViewModel &viewModel, CaptureImageCache &images, QWidget *parent = nullptr);

    void render();
    RecentCaptureStrip *strip() const { return m_strip; }
    RecentCaptureToast *toast() const { return m_toast; }
    QWidget *placeholder() const { return m_placeholder; }
    QWidget *previewButton() const;

Q_SIGNALS:
    // The picture was clicked: open the preview window for this capture.
    void previewRequested(const RecentCaptureItem &item);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void placeToast();

    AppViewModel &m_viewModel;
    CaptureImageCache &m_images;
    QStackedLayout *m_content;
    QWidget *m_placeholder;
    QWidget *m_details;
    CapturePreviewButton *m_preview;
    QLabel *m_frameDescription;
    QLabel *m_imageSize;
    QLabel *m_capturedAt;
    RecentCaptureStrip *m_strip;
    RecentCaptureToast *m_toast;
    std::optional<RecentCaptureItem> m_shown;
};
