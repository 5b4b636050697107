#pragma once

#include "auth/SessionState.h"

#include <QWidget>

#include <optional>

class AppViewModel;
class AuthScreen;
class HomeView;
class NotificationCenter;
class QStackedLayout;
class SessionService;

// The main window "main": a spinner while the stored session is read, the sign-in screen while
// nobody is signed in, the home view once someone is. It follows the session state at once.
class AppRootView : public QWidget
{
    Q_OBJECT
public:
    static inline const QString windowName = QStringLiteral("main");
    static inline const QString homeTitle = QStringLiteral("Orvanta");

    AppRootView(SessionService &session, AppViewModel &viewModel, NotificationCenter *notifications,
                QWidget *parent = nullptr);

    AuthScreen *authScreen() const { return m_authScreen; }
    // Null until someone has signed in.
    HomeView *homeView() const { return m_homeView; }
    QWidget *currentContent() const;

    void setAuthErrorMessage(const std::optional<QString> &message);
    // Shows, raises and activates the window.
    void bringToFront();

Q_SIGNALS:
    void signInRequested();
    void signInCancelRequested();
    void signOutRequested();

private:
    void showState(const SessionState &state);

    SessionService &m_session;
    AppViewModel &m_viewModel;
    NotificationCenter *m_notifications;
    QStackedLayout *m_stack;
    QWidget *m_restoringView;
    AuthScreen *m_authScreen;
    HomeView *m_homeView = nullptr;
};
