#pragma once

#include "capture/CaptureError.h"
#include "capture/CaptureService.h"
#include "overlay/SelectionOverlayWindow.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QProcess>
#include <QScreen>

#include <optional>

// Drives a real capture from outside: starts it, and moves the real pointer and keyboard through
// the X server with xdotool, so the overlay sees what a user's input would give it.
struct CaptureRun
{
    std::optional<CapturedSelection> selection;
    std::optional<CaptureError::Kind> error;
    bool done = false;

    // Catches here: QCoro's waitFor never returns when the awaited task throws.
    void start(CaptureService &service)
    {
        [](CaptureRun *run, CaptureService *service) -> QCoro::Task<> {
            try {
                QCoro::Task<CapturedSelection> capturing = service->captureSelection();
                run->selection = co_await capturing;
            } catch (const CaptureError &captureError) {
                run->error = captureError.kind();
            }
            run->done = true;
        }(this, &service);
    }
};

// The selection overlay windows that exist, shown or about to be deleted.
inline QList<SelectionOverlayWindow *> overlayWindows()
{
    QList<SelectionOverlayWindow *> windows;
    const QList<QWidget *> topLevels = QApplication::topLevelWidgets();
    for (QWidget *widget : topLevels) {
        if (auto *window = qobject_cast<SelectionOverlayWindow *>(widget))
            windows.append(window);
    }
    return windows;
}

inline bool xdotool(const QStringList &arguments)
{
    return QProcess::execute(QStringLiteral("xdotool"), arguments) == 0;
}

// Where the X server has point `at` of `screen`: Qt keeps each screen's native top left as its origin.
inline QPoint nativePoint(const QScreen *screen, QPointF at)
{
    return screen->geometry().topLeft() + (at * screen->devicePixelRatio()).toPoint();
}

// The xdotool words that move the pointer to `native`.
inline QStringList moveTo(QPoint native)
{
    return {QStringLiteral("mousemove"), QString::number(native.x()), QString::number(native.y())};
}

// A drag through the X server from `from` to `to`, points of `screen`.
inline bool dragOn(const QScreen *screen, QPointF from, QPointF to)
{
    const QPoint a = nativePoint(screen, from);
    const QPoint b = nativePoint(screen, to);
    return xdotool(moveTo(a) + QStringList{QStringLiteral("mousedown"), QStringLiteral("1")} + moveTo((a + b) / 2) +
                   moveTo(b) + QStringList{QStringLiteral("mouseup"), QStringLiteral("1")});
}

// What the screen shows in `rect` (points of `screen`), as the capture should hold it.
inline QImage screenPixels(QScreen *screen, const QRect &rect)
{
    QImage pixels = screen->grabWindow(0, rect.x(), rect.y(), rect.width(), rect.height())
                        .toImage()
                        .convertToFormat(QImage::Format_RGB32);
    pixels.setDevicePixelRatio(1); // a capture is counted in pixels
    return pixels;
}

// A window of known, varied content: every pixel of a capture can be checked against it. It
// counts the presses it receives, to tell whether a click went through the windows above it.
class PatternWindow : public QWidget
{
public:
    PatternWindow() : QWidget(nullptr, Qt::FramelessWindowHint | Qt::BypassWindowManagerHint) {}
    int presses = 0;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        for (int y = 0; y < height(); y += 10) {
            for (int x = 0; x < width(); x += 10)
                painter.fillRect(x, y, 10, 10, QColor::fromHsv((x * 3 + y) % 360, 200, 90 + (x + y) % 160));
        }
    }
    void mousePressEvent(QMouseEvent *) override { ++presses; }
};
