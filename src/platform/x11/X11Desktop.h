#pragma once

#include <QString>

#include <optional>

// What the X server knows about the desktop around a capture. Both answer none when the
// application does not run on an X server or the server has no answer.
namespace X11Desktop {
// The RandR output id of the output named `outputName` (as QScreen::name() reports it).
std::optional<quint32> randrOutputID(const QString &outputName);
// The application of the window the window manager marks active (_NET_ACTIVE_WINDOW): its
// WM_CLASS class name, else its title.
std::optional<QString> activeWindowApplicationName();
} // namespace X11Desktop
