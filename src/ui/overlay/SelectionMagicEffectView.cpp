#include "SelectionMagicEffectView.h"

#include "DecorationWindow.h"
#include "SelectionMagicRenderer.h"
#include "capture/SelectionGeometry.h"

#include <QPainter>
#include <QPointer>

SelectionMagicEffectView::SelectionMagicEffectView(const QRect &frame, QImage backgroundImage,
                                                   std::function<void()> onAnimationFinished)
    : m_onAnimationFinished(std::move(onAnimationFinished))
    , m_backgroundImage(std::move(backgroundImage))
{
    makeDecorationWindow(this);
    setAccessibleName(QStringLiteral("Selection glow"));
    setGeometry(frame);
    m_displayTimer.setTimerType(Qt::PreciseTimer);
    m_displayTimer.setInterval(frameIntervalMilliseconds);
    connect(&m_displayTimer, &QTimer::timeout, this, &SelectionMagicEffectView::tick);
    restartAnimation();
}

SelectionMagicEffectView *SelectionMagicEffectView::showAt(QWidget *existing, const QRect &frame, bool restartAnimation,
                                                           std::optional<QRectF> referenceDisplayFrame,
                                                           const QImage &backgroundImage)
{
    if (auto *glow = qobject_cast<SelectionMagicEffectView *>(existing)) {
        glow->setGeometry(frame);
        glow->setWindowOpacity(1);
        glow->raise();
        if (restartAnimation) {
            glow->restartAnimation();
            glow->setReferenceDisplayFrame(referenceDisplayFrame);
        }
        glow->setBackgroundImage(backgroundImage);
        return glow;
    }
    if (existing)
        existing->deleteLater();
    auto *glow = new SelectionMagicEffectView(frame, backgroundImage, {});
    const QPointer<SelectionMagicEffectView> window(glow);
    glow->m_onAnimationFinished = [window] {
        if (window) {
            window->hide();
            window->deleteLater();
        }
    };
    glow->setReferenceDisplayFrame(referenceDisplayFrame);
    glow->show();
    glow->raise();
    glow->repaint();
    return glow;
}

void SelectionMagicEffectView::restartAnimation()
{
    m_animationStart.start();
    update();
    m_displayTimer.start();
}

void SelectionMagicEffectView::setBackgroundImage(const QImage &image)
{
    m_backgroundImage = image;
    update();
}

double SelectionMagicEffectView::progress() const
{
    return m_animationStart.isValid() ? m_animationStart.nsecsElapsed() / (durationSeconds * 1e9) : 0;
}

double SelectionMagicEffectView::fadeOut() const
{
    const double p = progress();
    return p <= 0 ? 1 : 1 - std::min(p, 1.0);
}

void SelectionMagicEffectView::tick()
{
    if (progress() < 1) {
        update();
        return;
    }
    m_displayTimer.stop();
    m_washes = QImage(); // a finished run keeps no full-size images
    m_clouds = QImage();
    if (m_onAnimationFinished)
        m_onAnimationFinished();
}

QRectF SelectionMagicEffectView::magicContentRect(const QRectF &clip) const
{
    if (m_referenceDisplayFrame)
        return SelectionGeometry::displayAnchoredSquare(clip, m_referenceDisplayFrame->size());
    return SelectionGeometry::windowCentredSquare(clip, QSizeF(size()));
}

void SelectionMagicEffectView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintFrame(painter);
}

void SelectionMagicEffectView::paintFrame(QPainter &painter) const
{
    const QRectF bounds(rect());
    // The frozen content lies where it was on the screen: inside the margin the window adds
    // around the selection, at its own size, so it lines up with the screen beneath.
    const QRectF frozen = bounds.adjusted(selectionMargin, selectionMargin, -selectionMargin, -selectionMargin);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    if (m_backgroundImage.isNull()) {
        painter.fillRect(bounds, Qt::transparent);
    } else {
        const QRegion margin = QRegion(bounds.toRect()).subtracted(QRegion(frozen.toRect()));
        for (const QRect &band : margin)
            painter.fillRect(band, Qt::transparent);
        painter.drawImage(frozen, m_backgroundImage);
    }
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    const QRectF clip = bounds.adjusted(0.5, 0.5, -0.5, -0.5);
    const QRectF content = magicContentRect(clip);
    const double scale = painter.device() ? painter.device()->devicePixelRatio() : devicePixelRatio();
    const QSize pixels = (bounds.size() * scale).toSize();
    if (m_washes.size() != pixels || m_washes.devicePixelRatio() != scale || m_glowContent != content) {
        const auto paintPart = [&](void (*part)(QPainter &, const QRectF &, const QRectF &)) {
            QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(scale);
            image.fill(Qt::transparent);
            QPainter partPainter(&image);
            part(partPainter, clip, content);
            return image;
        };
        m_washes = paintPart(&SelectionMagicRenderer::drawWashes);
        m_clouds = paintPart(&SelectionMagicRenderer::drawClouds);
        m_glowContent = content;
    }
    const double fade = fadeOut();
    painter.setOpacity(fade);
    painter.drawImage(QPointF(0, 0), m_washes);
    painter.setOpacity(fade * fade);
    painter.drawImage(QPointF(0, 0), m_clouds);
    painter.setOpacity(1);
    SelectionMagicRenderer::drawGrain(painter, clip, content, fade);
}
