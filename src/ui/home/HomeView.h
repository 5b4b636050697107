#pragma once

#include <QDialog>
#include <QPointer>
#include <QWidget>

class AppViewModel;
class NotificationCenter;
class QLabel;
class QPushButton;
class SessionService;
class ShortcutRecorderView;

// The signed-in main window's first home view: the capture button, the shortcut recorder, the
// screen-capture help, the last error, and the settings sheet.
class HomeView : public QWidget
{
    Q_OBJECT
public:
    static inline const QString startSelectionTitle = QStringLiteral("Start Selection");
    static inline const QString settingsTitle = QStringLiteral("Settings");
    static inline const QString modifierWarning =
        QStringLiteral("Use at least one modifier key so the global shortcut does not conflict with normal typing.");
    static constexpr QSize minimumContentSize{960, 640};

    HomeView(AppViewModel &viewModel, SessionService &session, NotificationCenter *notifications,
             QWidget *parent = nullptr);

    QPushButton *startSelectionButton() const { return m_startSelection; }
    QPushButton *settingsButton() const { return m_settingsButton; }
    ShortcutRecorderView *recorder() const { return m_recorder; }
    QDialog *settingsSheet() const { return m_settingsSheet; }

Q_SIGNALS:
    void signOutRequested();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void render();
    void presentSettingsSheetIfNeeded();

    AppViewModel &m_viewModel;
    SessionService &m_session;
    QPushButton *m_startSelection;
    QPushButton *m_settingsButton;
    ShortcutRecorderView *m_recorder;
    QLabel *m_modifierWarning;
    QLabel *m_errorLine;
    QWidget *m_permissionCard;
    QLabel *m_permissionTitle;
    QLabel *m_permissionMessage;
    QPushButton *m_permissionAction;
    QPointer<QDialog> m_settingsSheet;
    bool m_hasAppeared = false;
};
