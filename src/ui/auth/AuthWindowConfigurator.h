#pragma once

#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>

#include <optional>

// Titles and sizes the window that shows the sign-in screen: the title and size limits on
// every update, the size itself only the first time it sees a window, so a window the user
// resized is not snapped back when, say, an error line appears.
class AuthWindowConfigurator
{
public:
    static inline const QString windowTitle = QStringLiteral("Sign in to Orvanta");
    static constexpr QSize minimumSize{520, 560};
    static constexpr QSize maximumSize{860, 760};
    static constexpr QSize sizeWithoutScreen{520, 580};

    // The content size for a screen's visible frame: 40 points less than the frame each way,
    // kept within 520-560 wide and 560-620 high. Without a screen, 520 x 580.
    static QSize contentSize(const std::optional<QRect> &visibleFrame);

    void configure(QWidget *window);
    // The next configure() sizes the window again (the sign-in screen is shown anew).
    void forget() { m_configuredWindow = nullptr; }

private:
    QPointer<QWidget> m_configuredWindow;
};
