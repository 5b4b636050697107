#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>

class QPainter;

// The glow window over a region just selected: the frozen content under the selection with the
// glow fading out over it for 1.1 s, redrawn 60 times a second; then `onAnimationFinished` runs.
class SelectionMagicEffectView : public QWidget
{
    Q_OBJECT
public:
    static constexpr double durationSeconds = 1.1;
    static constexpr int frameIntervalMilliseconds = 16;
    // The window reaches this far past the selection on every side.
    static constexpr int selectionMargin = 2;

    SelectionMagicEffectView(const QRect &frame, QImage backgroundImage, std::function<void()> onAnimationFinished);

    // The glow window at `frame` (global points): `existing` reused when it is a glow window, else
    // a new one that removes itself when its run ends. Brought to front.
    static SelectionMagicEffectView *showAt(QWidget *existing, const QRect &frame, bool restartAnimation,
                                            std::optional<QRectF> referenceDisplayFrame, const QImage &backgroundImage);

    // Starts a new run from full strength; a run in progress is replaced, never doubled.
    void restartAnimation();
    void setReferenceDisplayFrame(std::optional<QRectF> frame) { m_referenceDisplayFrame = frame; }
    void setBackgroundImage(const QImage &image);

    // The square the pattern is laid out in for `clip` (this window's coordinates).
    QRectF magicContentRect(const QRectF &clip) const;
    // 1 at the start of a run, falling linearly to 0 at its end.
    double fadeOut() const;
    bool isAnimating() const { return m_displayTimer.isActive(); }
    // The current frame over the window's bounds: the frozen content, then the glow.
    void paintFrame(QPainter &painter) const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void tick();
    double progress() const;

    std::function<void()> m_onAnimationFinished;
    QTimer m_displayTimer;
    QElapsedTimer m_animationStart;
    std::optional<QRectF> m_referenceDisplayFrame;
    QImage m_backgroundImage;
    // The glow's washes and clouds at full strength over the window, kept for the frames of a run:
    // a frame then only blends them with its fade instead of stretching a layer over every pixel.
    mutable QImage m_washes;
    mutable QImage m_clouds;
    mutable QRectF m_glowContent;
};
