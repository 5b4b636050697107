#pragma once

#include "hotkey/CaptureHotKeyShortcut.h"

#include <QPointer>
#include <QWidget>

class NotificationCenter;
class QKeyEvent;

// The control that records a new capture shortcut. A click starts recording (the global
// shortcut is suspended meanwhile through the recording notification); the next key with at
// least one modifier becomes the shortcut; Escape gives up, Delete or Backspace restores the
// default, and a key without modifiers, a modifier pressed and let go alone, or a key the
// shortcut cannot hold is refused with a beep. Clicking elsewhere in the window ends recording without a change.
class ShortcutRecorderView : public QWidget
{
    Q_OBJECT
public:
    explicit ShortcutRecorderView(NotificationCenter *notifications, QWidget *parent = nullptr);
    ~ShortcutRecorderView() override;

    CaptureHotKeyShortcut shortcut() const { return m_shortcut; }
    void setShortcut(const CaptureHotKeyShortcut &shortcut);
    bool usesPlainAppearance() const { return m_usesPlainAppearance; }
    void setUsesPlainAppearance(bool plain);
    bool isRecording() const { return m_isRecording; }
    // What the label shows: empty while recording.
    QString displayText() const;

    QSize sizeHint() const override;

Q_SIGNALS:
    // A newly recorded shortcut (also the restored default).
    void shortcutRecorded(const CaptureHotKeyShortcut &shortcut);
    // A key was refused; the system beep has sounded.
    void keyRefused();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setRecording(bool recording);
    void finishRecording();
    void record(const CaptureHotKeyShortcut &shortcut);
    void refuse();
    void watchOutsideClicks(bool watch);

    NotificationCenter *m_notifications;
    CaptureHotKeyShortcut m_shortcut;
    bool m_usesPlainAppearance = false;
    bool m_isRecording = false;
    bool m_isHovered = false;
    bool m_shouldEnterRecordingOnFocus = false;
    bool m_modifierPressedAlone = false;
    QPointer<QWidget> m_watchedWindow;
};
