#pragma once

#include "hotkey/GlobalHotKeyManager.h"

#include <QCoro/QCoroTask>
#include <QDBusConnection>
#include <QObject>

#include <chrono>
#include <optional>

class QDBusObjectPath;

// The capture shortcut through the GlobalShortcuts desktop portal (KDE Plasma, recent GNOME):
// a portal session holds one shortcut, "capture", bound with the saved shortcut as its
// preferred trigger; the portal's Activated signal calls the handler. Binding is asynchronous
// (the desktop may ask the user), so a refusal arrives as a late failure. Re-registering closes
// the session and binds in a fresh one.
class PortalGlobalHotKeyManager : public QObject, public GlobalHotKeyManager
{
    Q_OBJECT
public:
    static inline const QString shortcutID = QStringLiteral("capture");
    static inline const QString interfaceName = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
    // The status of a failure without a portal answer (no portal, a D-Bus error, no answer in time).
    static constexpr qint32 noAnswerStatus = -1;
    // The status when the portal answered but did not bind the capture shortcut.
    static constexpr qint32 notBoundStatus = -2;

    explicit PortalGlobalHotKeyManager(QDBusConnection bus = QDBusConnection::sessionBus(),
                                       std::chrono::milliseconds answerTimeout = std::chrono::minutes(2),
                                       QObject *parent = nullptr);
    ~PortalGlobalHotKeyManager() override;

    void registerCaptureHotKey(const CaptureHotKeyShortcut &shortcut, std::function<void()> handler) override;
    void unregisterCaptureHotKey() override;

    // The trigger in the XDG shortcut form ("CTRL+SHIFT+a"), or none for a key outside the table.
    static std::optional<QString> preferredTrigger(const CaptureHotKeyShortcut &shortcut);

private Q_SLOTS:
    void activated(const QDBusObjectPath &session, const QString &shortcut, qulonglong timestamp,
                   const QVariantMap &options);

private:
    QCoro::Task<> bind(quint64 generation, QString trigger);
    void fail(qint32 status);
    static void closeSession(QDBusConnection bus, const QString &sessionPath);

    QDBusConnection m_bus;
    std::chrono::milliseconds m_answerTimeout;
    std::function<void()> m_handler;
    QString m_sessionPath;
    // Counts registrations: a bind that finishes after a newer registration or an unregistration
    // gives its session back instead of keeping it.
    quint64 m_generation = 0;
};
