#include "AuthWindowConfigurator.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

QSize AuthWindowConfigurator::contentSize(const std::optional<QRect> &visibleFrame)
{
    if (!visibleFrame)
        return sizeWithoutScreen;
    const int width = std::max(std::min(visibleFrame->width() - 40, 560), 520);
    const int height = std::max(std::min(visibleFrame->height() - 40, 620), 560);
    return {width, height};
}

void AuthWindowConfigurator::configure(QWidget *window)
{
    if (!window)
        return;
    window->setWindowTitle(windowTitle);
    window->setMinimumSize(minimumSize);
    window->setMaximumSize(maximumSize);
    if (window == m_configuredWindow)
        return;
    m_configuredWindow = window;

    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    const std::optional<QRect> visibleFrame = screen ? std::optional<QRect>(screen->availableGeometry()) : std::nullopt;
    const QSize size = contentSize(visibleFrame);
    window->resize(size);
    if (visibleFrame) {
        QRect frame(QPoint(), size);
        frame.moveCenter(visibleFrame->center());
        window->move(frame.topLeft());
    }
}
