#include "ShortcutRecorderView.h"

#include "settings/DeveloperSettingsStore.h"
#include "settings/NotificationCenter.h"
#include "x11/X11KeySymbols.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {
bool isModifierKey(int key)
{
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_Mode_switch:
        return true;
    default:
        return false;
    }
}

constexpr int caretWidth = 2;
constexpr int horizontalPadding = 10;
} // namespace

ShortcutRecorderView::ShortcutRecorderView(NotificationCenter *notifications, QWidget *parent)
    : QWidget(parent)
    , m_notifications(notifications)
{
    // Tab reaches it too; Space or Return then starts recording.
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(QStringLiteral("Capture shortcut"));
}

ShortcutRecorderView::~ShortcutRecorderView()
{
    watchOutsideClicks(false);
}

void ShortcutRecorderView::setShortcut(const CaptureHotKeyShortcut &shortcut)
{
    if (shortcut == m_shortcut)
        return;
    m_shortcut = shortcut;
    update();
}

void ShortcutRecorderView::setUsesPlainAppearance(bool plain)
{
    m_usesPlainAppearance = plain;
    if (plain)
        watchOutsideClicks(false);
    update();
}

QString ShortcutRecorderView::displayText() const
{
    if (m_isRecording && !m_usesPlainAppearance)
        return {};
    return m_shortcut.displayString();
}

QSize ShortcutRecorderView::sizeHint() const
{
    return {122, 32};
}

void ShortcutRecorderView::setRecording(bool recording)
{
    m_modifierPressedAlone = false;
    if (recording != m_isRecording) {
        m_isRecording = recording;
        watchOutsideClicks(recording && !m_usesPlainAppearance);
        if (m_notifications)
            m_notifications->post(SettingsNotifications::captureHotKeyRecordingDidChange, QVariant(recording));
    }
    update();
}

void ShortcutRecorderView::finishRecording()
{
    setRecording(false);
    clearFocus();
}

void ShortcutRecorderView::record(const CaptureHotKeyShortcut &shortcut)
{
    m_shortcut = shortcut;
    update();
    Q_EMIT shortcutRecorded(shortcut);
    finishRecording();
}

void ShortcutRecorderView::refuse()
{
    QApplication::beep();
    Q_EMIT keyRefused();
}

void ShortcutRecorderView::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    m_shouldEnterRecordingOnFocus = true;
    setFocus(Qt::MouseFocusReason);
    if (hasFocus() && !m_isRecording) {
        m_shouldEnterRecordingOnFocus = false;
        setRecording(true);
    }
}

void ShortcutRecorderView::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    if (m_shouldEnterRecordingOnFocus) {
        m_shouldEnterRecordingOnFocus = false;
        setRecording(true);
    }
}

void ShortcutRecorderView::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    m_shouldEnterRecordingOnFocus = false;
    setRecording(false);
}

bool ShortcutRecorderView::event(QEvent *event)
{
    if (m_isRecording) {
        // While recording every key is for the recorder: not an application shortcut, and Tab
        // does not move the focus.
        if (event->type() == QEvent::ShortcutOverride) {
            event->accept();
            return true;
        }
        if (event->type() == QEvent::KeyPress) {
            keyPressEvent(static_cast<QKeyEvent *>(event));
            return true;
        }
    }
    return QWidget::event(event);
}

void ShortcutRecorderView::keyPressEvent(QKeyEvent *event)
{
    if (!m_isRecording) {
        const bool starts =
            event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
        if (starts && event->modifiers() == Qt::NoModifier)
            setRecording(true);
        else
            QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    int key = event->key();
    // Shift changes the character Qt reports ("!" for "1"); the shortcut names the key itself.
    if (event->modifiers().testFlag(Qt::ShiftModifier) && !isModifierKey(key)) {
        if (const std::optional<int> unshifted = unshiftedQtKey(event->nativeScanCode()))
            key = *unshifted;
    }
    const quint32 modifiers = CaptureHotKeyShortcut::modifiersForQtModifiers(event->modifiers());
    if (key == Qt::Key_Escape) {
        finishRecording();
        return;
    }
    if (key == Qt::Key_Backspace || key == Qt::Key_Delete) {
        record(CaptureHotKeyShortcut{});
        return;
    }
    // A modifier is part of the combination being typed; it is refused only when it is let go
    // without any other key (keyReleaseEvent).
    if (isModifierKey(key)) {
        m_modifierPressedAlone = true;
        return;
    }
    m_modifierPressedAlone = false;
    if (modifiers == 0) {
        refuse();
        return;
    }
    // Only keys the stored shortcut can name are taken; anything else could never be shown or
    // registered again.
    const std::optional<quint32> keyCode = CaptureHotKeyShortcut::keyCodeForQtKey(key);
    if (!keyCode) {
        refuse();
        return;
    }
    record(CaptureHotKeyShortcut{*keyCode, modifiers});
}

void ShortcutRecorderView::keyReleaseEvent(QKeyEvent *event)
{
    if (!m_isRecording) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    event->accept();
    if (isModifierKey(event->key()) && m_modifierPressedAlone && !event->isAutoRepeat()) {
        m_modifierPressedAlone = false;
        refuse();
    }
}

void ShortcutRecorderView::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    m_isHovered = true;
    update();
}

void ShortcutRecorderView::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    m_isHovered = false;
    update();
}

void ShortcutRecorderView::watchOutsideClicks(bool watch)
{
    if (m_watchedWindow) {
        qApp->removeEventFilter(this);
        m_watchedWindow = nullptr;
    }
    if (watch) {
        // Clicks go to the child under the pointer, so watch them application-wide and keep
        // those that land in this control's window.
        m_watchedWindow = window();
        qApp->installEventFilter(this);
    }
}

bool ShortcutRecorderView::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::MouseButtonPress || !m_isRecording)
        return false;
    const auto *target = qobject_cast<QWidget *>(watched);
    if (!target || target->window() != m_watchedWindow)
        return false;
    const auto *mouse = static_cast<QMouseEvent *>(event);
    if (!rect().contains(mapFromGlobal(mouse->globalPosition().toPoint()))) {
        m_shouldEnterRecordingOnFocus = false;
        finishRecording();
    }
    return false; // the click always goes on to its target
}

void ShortcutRecorderView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const QPalette &colors = palette();

    if (!m_usesPlainAppearance) {
        QColor background;
        if (m_isRecording) {
            background = colors.color(QPalette::Highlight);
            background.setAlphaF(0.22f);
        } else {
            background = colors.color(QPalette::Mid);
            background.setAlphaF(m_isHovered ? 0.33f : 0.29f);
        }
        const bool outlined = m_isRecording || hasFocus();
        painter.setPen(outlined ? QPen(colors.color(QPalette::Highlight), 1.5) : Qt::NoPen);
        painter.setBrush(background);
        painter.drawRoundedRect(bounds, 8, 8);
    }

    const QRect textArea = rect().adjusted(horizontalPadding, 0, -horizontalPadding, 0);
    if (m_isRecording && !m_usesPlainAppearance) {
        const int caretHeight = height() / 2;
        painter.fillRect(QRect(textArea.left(), (height() - caretHeight) / 2, caretWidth, caretHeight),
                         colors.color(QPalette::Text));
        return;
    }
    painter.setPen(colors.color(QPalette::Text));
    const Qt::Alignment alignment = m_usesPlainAppearance ? Qt::AlignCenter : (Qt::AlignRight | Qt::AlignVCenter);
    painter.drawText(textArea, alignment, displayText());
}
