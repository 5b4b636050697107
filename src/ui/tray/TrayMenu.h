#pragma once

#include <QMenu>

#include <functional>

class AppViewModel;
class SessionService;

// The tray icon's menu: capture, the main window, settings, the sign-in hint while nobody is
// signed in, the current shortcut, the screen-capture help while the controller has guidance,
// and Quit. Rebuilt whenever the controller or the session changes.
class TrayMenu : public QMenu
{
    Q_OBJECT
public:
    static inline const QString startCaptureTitle = QStringLiteral("Start Capture");
    static inline const QString openTitle = QStringLiteral("Open Orvanta");
    static inline const QString settingsTitle = QStringLiteral("Settings");
    static inline const QString signInHint = QStringLiteral("Sign in from the main window to use Orvanta.");
    static inline const QString shortcutCaptionPrefix = QStringLiteral("Shortcut: ");
    static inline const QString captureCommandCaption =
        QStringLiteral("No shortcut on this desktop: bind \"orvanta --capture\" to a key in its keyboard settings.");
    static inline const QString quitTitle = QStringLiteral("Quit Orvanta");
    static constexpr int menuWidth = 280;
    // Room the style leaves on either side of an item's text (check mark and icon columns).
    static constexpr int captionInset = 40;

    // openMainWindow shows and activates the window "main".
    TrayMenu(AppViewModel &viewModel, SessionService &session, std::function<void()> openMainWindow,
             QWidget *parent = nullptr);

    // The action with this text, or null (tests and the tray icon look items up by their text).
    QAction *actionWithText(const QString &text) const;
    // Where the desktop refused the shortcut, the caption says how to bind the capture command.
    void setCaptureHotKeyAvailable(bool available);

Q_SIGNALS:
    void quitRequested();

private:
    void rebuild();
    void startCapture();

    AppViewModel &m_viewModel;
    SessionService &m_session;
    std::function<void()> m_openMainWindow;
    bool m_isCaptureHotKeyAvailable = true;
};
