#include "SelectedRegionCard.h"

#include "CaptureImageCache.h"
#include "RecentCaptureStrip.h"
#include "RecentCaptureToast.h"
#include "controller/AppViewModel.h"
#include "preview/CaptureTimestamp.h"
#include "preview/ScaledPicture.h"
#include "theme/HomeButton.h"
#include "theme/HomeTheme.h"
#include "theme/RoundedPanel.h"

#include <QAbstractButton>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QStackedLayout>
#include <QVBoxLayout>

// The selected capture's picture, fitted in a rounded frame; clicking it opens the preview.
class CapturePreviewButton : public QAbstractButton
{
public:
    static constexpr qreal cornerRadius = 14;

    CapturePreviewButton()
    {
        setCursor(Qt::PointingHandCursor);
        setAccessibleName(QStringLiteral("Open the capture in a preview window"));
        setToolTip(QStringLiteral("Click to preview"));
        setMinimumSize(320, 200);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }

    void setImage(const QImage &image)
    {
        if (m_picture.setImage(image))
            update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath frame;
        frame.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
        painter.fillPath(frame, HomeTheme::primaryAt(palette(), 0.06));
        const QPixmap picture = m_picture.pixmap(size(), devicePixelRatioF(), Qt::KeepAspectRatio);
        if (picture.isNull())
            return;
        const QSizeF shown = picture.deviceIndependentSize();
        QPainterPath clip;
        clip.addRoundedRect(QRectF(QPointF((width() - shown.width()) / 2, (height() - shown.height()) / 2), shown),
                            cornerRadius, cornerRadius);
        painter.setClipPath(clip);
        painter.drawPixmap(clip.boundingRect().topLeft(), picture);
    }

private:
    ScaledPicture m_picture;
};

namespace {
// The placeholder's faint rounded ground.
class FaintPanel : public QWidget
{
protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath ground;
        ground.addRoundedRect(QRectF(rect()), CapturePreviewButton::cornerRadius, CapturePreviewButton::cornerRadius);
        painter.fillPath(ground, HomeTheme::primaryAt(palette(), 0.05));
    }
};

// A symbol beside a line of text, as the capture's details are shown.
QWidget *iconLabel(HomeTheme::Symbol symbol, QLabel *text)
{
    auto *row = new QWidget;
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    auto *icon = new QLabel;
    icon->setPixmap(HomeTheme::symbol(symbol, HomeTheme::secondaryText(row->palette()), row->devicePixelRatioF()));
    icon->setFixedSize(16, 16);
    layout->addWidget(icon);
    text->setWordWrap(true);
    layout->addWidget(text, 1);
    return row;
}
} // namespace

SelectedRegionCard::SelectedRegionCard(AppViewModel &viewModel, CaptureImageCache &images, QWidget *parent)
    : RoundedPanel(14, parent)
    , m_viewModel(viewModel)
    , m_images(images)
    , m_content(new QStackedLayout)
    , m_placeholder(new FaintPanel)
    , m_details(new QWidget)
    , m_preview(new CapturePreviewButton)
    , m_frameDescription(HomeTheme::label({}, 13))
    , m_imageSize(HomeTheme::label({}, 13))
    , m_capturedAt(HomeTheme::label({}, 13))
    , m_strip(new RecentCaptureStrip(images))
    , m_toast(new RecentCaptureToast(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(22, 20, 22, 20);
    layout->setSpacing(14);
    layout->addWidget(HomeTheme::label(QStringLiteral("User Selected Region"), 15, QFont::DemiBold));

    // The placeholder: secondary text on a faint rounded background.
    auto *placeholderLayout = new QVBoxLayout(m_placeholder);
    placeholderLayout->addWidget(HomeTheme::label(placeholderText, 13, QFont::Normal, true), 0, Qt::AlignCenter);
    m_placeholder->setMinimumHeight(160);

    auto *detailsLayout = new QHBoxLayout(m_details);
    detailsLayout->setContentsMargins(0, 0, 0, 0);
    detailsLayout->setSpacing(20);
    detailsLayout->addWidget(m_preview, 3);
    auto *facts = new QVBoxLayout;
    facts->setSpacing(10);
    facts->addWidget(iconLabel(HomeTheme::Symbol::selection, m_frameDescription));
    facts->addWidget(iconLabel(HomeTheme::Symbol::photo, m_imageSize));
    facts->addWidget(iconLabel(HomeTheme::Symbol::clock, m_capturedAt));
    facts->addStretch();
    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    for (const QString &title : {copyTitle, saveTitle, askAgainTitle}) {
        auto *button = new HomeButton(HomeTheme::ButtonStyle::regionAction, title);
        buttons->addWidget(button);
        connect(button, &QPushButton::clicked, this, [this, title] {
            if (!m_shown)
                return;
            if (title == copyTitle)
                m_viewModel.copyRecentCapture(*m_shown);
            else if (title == saveTitle)
                m_viewModel.saveRecentCapture(*m_shown);
            else
                m_viewModel.askAgain(*m_shown);
        });
    }
    buttons->addStretch();
    facts->addLayout(buttons);
    detailsLayout->addLayout(facts, 2);
    m_details->setMinimumHeight(220);

    m_content->addWidget(m_placeholder);
    m_content->addWidget(m_details);
    layout->addLayout(m_content);
    layout->addWidget(m_strip);

    connect(m_preview, &QAbstractButton::clicked, this, [this] {
        if (m_shown)
            Q_EMIT previewRequested(*m_shown);
    });
    connect(m_strip, &RecentCaptureStrip::selectionRequested, &m_viewModel, &AppViewModel::selectRecentCapture);
    connect(&m_images, &CaptureImageCache::imageReady, this, [this](const QString &filePath) {
        if (m_shown && m_shown->fileURL == filePath)
            m_preview->setImage(m_images.image(filePath));
    });
    render();
}

QWidget *SelectedRegionCard::previewButton() const
{
    return m_preview;
}

void SelectedRegionCard::render()
{
    m_shown = m_viewModel.selectedRecentCapture();
    m_content->setCurrentWidget(m_shown ? m_details : m_placeholder);
    if (m_shown) {
        // Asked for first, so the selected picture is decoded before the strip's.
        m_preview->setImage(m_images.image(m_shown->fileURL));
        m_frameDescription->setText(m_shown->frameDescription);
        m_imageSize->setText(QStringLiteral("%1 x %2")
                                 .arg(static_cast<qint64>(m_shown->imageSize.width()))
                                 .arg(static_cast<qint64>(m_shown->imageSize.height())));
        m_capturedAt->setText(localCaptureTimestamp(m_shown->capturedAt));
    }
    m_strip->setVisible(m_shown.has_value());
    m_strip->setItems(m_viewModel.recentCaptures(), m_shown ? std::optional<QUuid>(m_shown->id) : std::nullopt);
    QStringList files;
    for (const RecentCaptureItem &item : m_viewModel.recentCaptures())
        files.append(item.fileURL);
    m_images.retainOnly(files);
    m_toast->showMessage(m_viewModel.recentCaptureToastMessage());
    placeToast();
}

void SelectedRegionCard::placeToast()
{
    m_toast->adjustSize();
    m_toast->move((width() - m_toast->width()) / 2, 16);
}

void SelectedRegionCard::resizeEvent(QResizeEvent *event)
{
    RoundedPanel::resizeEvent(event);
    placeToast();
}

void SelectedRegionCard::changeEvent(QEvent *event)
{
    RoundedPanel::changeEvent(event);
    // The capture time follows the user's locale when it changes.
    if (event->type() == QEvent::LocaleChange)
        render();
}
