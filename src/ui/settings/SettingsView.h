#pragma once

#include "auth/SessionState.h"

#include <QWidget>

class DeveloperSettingsStore;
class QLabel;
class QVBoxLayout;
class SessionService;

// The settings content: the signed-in account, the version, and "Done", which stores every
// setting (and so announces the shortcut again) before the view is dismissed. Escape does the
// same as "Done".
class SettingsView : public QWidget
{
    Q_OBJECT
public:
    static inline const QString unknownVersion = QStringLiteral("Unknown");

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
    void done();

    DeveloperSettingsStore &m_settings;
    SessionService &m_session;
    QVBoxLayout *m_accountRows = nullptr;
};
