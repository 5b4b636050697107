#pragma once

#include "AuthWindowConfigurator.h"
#include "auth/SessionState.h"

#include <QWidget>

#include <optional>

class GoogleSignInButton;
class QLabel;
class QPushButton;

// The sign-in screen: the brand block, "Continue with Google", the last sign-in error, and
// while the browser is open a line saying so with a "Cancel" button; all on a dark gradient with
// a soft glow at the top.
class AuthScreen : public QWidget
{
    Q_OBJECT
public:
    static inline const QString productName = QStringLiteral("Orvanta");
    static inline const QString subtitle = QStringLiteral("Continue with Google to start using Orvanta.");
    static inline const QString browserOpenedLine =
        QStringLiteral("Your browser has been opened to sign in with Google. Finish there to continue.");
    static inline const QString cancelTitle = QStringLiteral("Cancel");

    explicit AuthScreen(QWidget *parent = nullptr);

    void setSessionState(const SessionState &state);
    void setErrorMessage(const std::optional<QString> &message);
    // The next time the screen is shown it sizes its window again (after a sign-out).
    void forgetConfiguredWindow() { m_configurator.forget(); }

    GoogleSignInButton *signInButton() const { return m_signInButton; }
    QPushButton *cancelButton() const { return m_cancelButton; }
    QLabel *errorLabel() const { return m_errorLabel; }
    QLabel *waitingLabel() const { return m_waitingLabel; }

Q_SIGNALS:
    void signInRequested();
    void cancelRequested();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // On the next turn of the event loop, when the window is known.
    void scheduleWindowConfiguration();

    GoogleSignInButton *m_signInButton;
    QLabel *m_errorLabel;
    QLabel *m_waitingLabel;
    QPushButton *m_cancelButton;
    AuthWindowConfigurator m_configurator;
};
