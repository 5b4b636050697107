#pragma once

#include "SettingsView.h"
#include "controller/SettingsWindowPresenter.h"

#include <QObject>
#include <QPointer>
#include <QSize>

class DeveloperSettingsStore;
class SessionService;

// The stand-alone settings window: one window, brought forward when opened again while it is
// open, kept above the answer panel, and gone once closed (a later opening makes a new one).
class SettingsWindowController : public QObject, public SettingsWindowPresenter
{
    Q_OBJECT
public:
    static constexpr QSize initialSize{560, 520};

    SettingsWindowController(DeveloperSettingsStore &settings, SessionService &session, QObject *parent = nullptr);
    ~SettingsWindowController() override;

    void openStandaloneSettingsWindow() override;
    SettingsView *window() const { return m_window; }

Q_SIGNALS:
    void signOutRequested();

private:
    DeveloperSettingsStore &m_settings;
    SessionService &m_session;
    QPointer<SettingsView> m_window;
};
