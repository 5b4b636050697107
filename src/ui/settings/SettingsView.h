#pragma once

#include "auth/SessionState.h"
#include "desktop/LoginAutostart.h"

#include <QWidget>

class DeveloperSettingsStore;
class QCheckBox;
class QLabel;
class QVBoxLayout;
class SessionService;

// The settings content: the signed-in account, starting at login (with the capture command a
// desktop can bind to a key), the version, and "Done", which stores every setting (and so
// announces the shortcut again) before the view is dismissed. Escape does the same as "Done".
class SettingsView : public QWidget
{
    Q_OBJECT
public:
    static inline const QString unknownVersion = QStringLiteral("Unknown");
    static inline const QString startAtLoginTitle = QStringLiteral("Start Orvanta at login");
    static inline const QString captureCommandHint =
        QStringLiteral("To capture from any key, also where Orvanta cannot register its shortcut (some Wayland "
                       "desktops), bind the command \"orvanta --capture\" to it in your desktop's keyboard settings.");

    SettingsView(DeveloperSettingsStore &settings, SessionService &session, QWidget *parent = nullptr);

    // The provider's name as the account row shows it.
    static QString providerName(AuthProvider provider);

Q_SIGNALS:
    void dismissRequested();
    // "Sign Out" was pressed; whoever owns the session signs out. The view dismisses itself after.
    void signOutRequested();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void rebuildAccountSection();
    void setStartAtLogin(bool enabled);
    void done();

    DeveloperSettingsStore &m_settings;
    SessionService &m_session;
    QVBoxLayout *m_accountRows = nullptr;
    LoginAutostart m_autostart;
    QCheckBox *m_startAtLogin = nullptr;
    QLabel *m_autostartError = nullptr;
};
