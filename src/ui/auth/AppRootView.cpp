#include "AppRootView.h"

#include "AuthScreen.h"
#include "BusyIndicator.h"
#include "auth/SessionService.h"
#include "brand/BrandMark.h"
#include "home/HomeView.h"

#include <QStackedLayout>
#include <QVBoxLayout>

AppRootView::AppRootView(SessionService &session, AppViewModel &viewModel, NotificationCenter *notifications,
                         QWidget *parent)
    : QWidget(parent)
    , m_session(session)
    , m_viewModel(viewModel)
    , m_notifications(notifications)
    , m_stack(new QStackedLayout(this))
    , m_restoringView(new QWidget)
    , m_authScreen(new AuthScreen)
{
    setObjectName(windowName);
    setWindowIcon(BrandMark::appIcon());
    setWindowTitle(homeTitle);
    m_stack->setContentsMargins(0, 0, 0, 0);

    m_restoringView->setAutoFillBackground(true);
    auto *restoringLayout = new QVBoxLayout(m_restoringView);
    restoringLayout->addWidget(new BusyIndicator, 0, Qt::AlignCenter);
    m_stack->addWidget(m_restoringView);
    m_stack->addWidget(m_authScreen);

    connect(m_authScreen, &AuthScreen::signInRequested, this, &AppRootView::signInRequested);
    connect(m_authScreen, &AuthScreen::cancelRequested, this, &AppRootView::signInCancelRequested);
    connect(&m_session, &SessionService::sessionStateChanged, this, &AppRootView::showState);
    showState(m_session.sessionState());
}

QWidget *AppRootView::currentContent() const
{
    return m_stack->currentWidget();
}

void AppRootView::setAuthErrorMessage(const std::optional<QString> &message)
{
    m_authScreen->setErrorMessage(message);
}

void AppRootView::bringToFront()
{
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void AppRootView::showState(const SessionState &state)
{
    switch (state.kind) {
    case SessionState::Kind::restoring:
        m_stack->setCurrentWidget(m_restoringView);
        return;
    case SessionState::Kind::signedOut:
    case SessionState::Kind::authenticating:
        m_authScreen->setSessionState(state);
        m_stack->setCurrentWidget(m_authScreen);
        return;
    case SessionState::Kind::authenticated:
        break;
    }
    if (!m_homeView) {
        m_homeView = new HomeView(m_viewModel, m_session, m_notifications);
        connect(m_homeView, &HomeView::signOutRequested, this, &AppRootView::signOutRequested);
        m_stack->addWidget(m_homeView);
    }
    if (m_stack->currentWidget() == m_homeView)
        return;
    m_authScreen->forgetConfiguredWindow();
    setWindowTitle(homeTitle);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    setMinimumSize(HomeView::minimumContentSize);
    m_stack->setCurrentWidget(m_homeView);
}
