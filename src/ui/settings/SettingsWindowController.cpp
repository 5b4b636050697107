#include "SettingsWindowController.h"

#include "SettingsView.h"
#include "brand/BrandMark.h"

#include <QGuiApplication>
#include <QScreen>

SettingsWindowController::SettingsWindowController(DeveloperSettingsStore &settings, SessionService &session,
                                                   QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_session(session)
{}

SettingsWindowController::~SettingsWindowController()
{
    delete m_window;
}

void SettingsWindowController::openStandaloneSettingsWindow()
{
    if (!m_window) {
        m_window = new SettingsView(m_settings, m_session);
        m_window->setAttribute(Qt::WA_DeleteOnClose);
        // Above the answer panel and its decorations, which stay on top themselves.
        m_window->setWindowFlags(Qt::Window | Qt::WindowStaysOnTopHint);
        m_window->setWindowTitle(QStringLiteral("Settings"));
        m_window->setWindowIcon(BrandMark::appIcon());
        m_window->resize(initialSize);
        if (const QScreen *screen = QGuiApplication::primaryScreen()) {
            QRect frame(QPoint(), initialSize);
            frame.moveCenter(screen->availableGeometry().center());
            m_window->move(frame.topLeft());
        }
        connect(m_window, &SettingsView::dismissRequested, m_window, &QWidget::close);
        connect(m_window, &SettingsView::signOutRequested, this, &SettingsWindowController::signOutRequested);
    }
    // Opening again also brings back a window the user minimised.
    m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}
