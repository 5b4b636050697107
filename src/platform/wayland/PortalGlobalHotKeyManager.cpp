#include "PortalGlobalHotKeyManager.h"

#include "PortalRequest.h"
#include "PortalShortcut.h"

#include <QDBusObjectPath>
#include <QLoggingCategory>
#include <QPointer>

#include <algorithm>

Q_LOGGING_CATEGORY(lcPortalHotKey, "orvanta.hotkey.portal")

namespace {
const QString shortcutDescription = QStringLiteral("Start a capture");

QString pathOf(const QVariant &value)
{
    // The session handle is an object path; some portals send it as a string.
    return value.userType() == qMetaTypeId<QDBusObjectPath>() ? value.value<QDBusObjectPath>().path()
                                                              : value.toString();
}
} // namespace

PortalGlobalHotKeyManager::PortalGlobalHotKeyManager(QDBusConnection bus, std::chrono::milliseconds answerTimeout,
                                                     QObject *parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_answerTimeout(answerTimeout)
{
    PortalShortcut::registerType();
    // QtDBus finds the slot's argument types by name: unless the object path type is known by
    // then, the connection is made but never delivers.
    qRegisterMetaType<QDBusObjectPath>();
    m_bus.connect(PortalRequest::service, PortalRequest::objectPath, interfaceName, QStringLiteral("Activated"), this,
                  SLOT(activated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
}

PortalGlobalHotKeyManager::~PortalGlobalHotKeyManager()
{
    unregisterCaptureHotKey();
    m_bus.disconnect(PortalRequest::service, PortalRequest::objectPath, interfaceName, QStringLiteral("Activated"),
                     this, SLOT(activated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
}

std::optional<QString> PortalGlobalHotKeyManager::preferredTrigger(const CaptureHotKeyShortcut &shortcut)
{
    const std::optional<QString> key = CaptureHotKeyShortcut::keyName(shortcut.keyCode);
    if (!key)
        return std::nullopt;
    // Modifier names of the XDG shortcut form; the key is its lower-case keysym name.
    QStringList parts;
    if (shortcut.modifiers & CaptureHotKeyShortcut::commandFlag)
        parts << QStringLiteral("CTRL");
    if (shortcut.modifiers & CaptureHotKeyShortcut::optionFlag)
        parts << QStringLiteral("ALT");
    if (shortcut.modifiers & CaptureHotKeyShortcut::shiftFlag)
        parts << QStringLiteral("SHIFT");
    if (shortcut.modifiers & CaptureHotKeyShortcut::controlFlag)
        parts << QStringLiteral("LOGO");
    parts << key->toLower();
    return parts.join(QLatin1Char('+'));
}

void PortalGlobalHotKeyManager::registerCaptureHotKey(const CaptureHotKeyShortcut &shortcut,
                                                      std::function<void()> handler)
{
    unregisterCaptureHotKey();
    const std::optional<QString> trigger = preferredTrigger(shortcut);
    if (!trigger)
        throw GlobalHotKeyError::registrationFailed(notBoundStatus);
    m_handler = std::move(handler);
    bind(m_generation, *trigger);
}

void PortalGlobalHotKeyManager::unregisterCaptureHotKey()
{
    ++m_generation;
    m_handler = nullptr;
    closeSession(m_bus, m_sessionPath);
    m_sessionPath.clear();
}

QCoro::Task<> PortalGlobalHotKeyManager::bind(quint64 generation, QString trigger)
{
    const QPointer<PortalGlobalHotKeyManager> self(this);
    const QDBusConnection bus = m_bus;
    const std::chrono::milliseconds timeout = m_answerTimeout;

    const QString createToken = PortalRequest::newToken();
    QDBusMessage create = QDBusMessage::createMethodCall(PortalRequest::service, PortalRequest::objectPath,
                                                         interfaceName, QStringLiteral("CreateSession"));
    create << QVariantMap{{QStringLiteral("handle_token"), createToken},
                          {QStringLiteral("session_handle_token"), PortalRequest::newToken()}};
    QCoro::Task<PortalReply> creating = PortalRequest::call(bus, create, createToken, timeout);
    const PortalReply created = co_await creating;
    const QString sessionPath = pathOf(created.results.value(QStringLiteral("session_handle")));
    if (!self || self->m_generation != generation) {
        closeSession(bus, sessionPath);
        co_return;
    }
    if (!created.succeeded() || sessionPath.isEmpty()) {
        fail(created.outcome == PortalReply::Outcome::answered ? static_cast<qint32>(created.response)
                                                               : noAnswerStatus);
        co_return;
    }
    m_sessionPath = sessionPath;

    const QString bindToken = PortalRequest::newToken();
    QDBusMessage bindCall = QDBusMessage::createMethodCall(PortalRequest::service, PortalRequest::objectPath,
                                                           interfaceName, QStringLiteral("BindShortcuts"));
    const QList<PortalShortcut> shortcuts{
        {shortcutID,
         {{QStringLiteral("description"), shortcutDescription}, {QStringLiteral("preferred_trigger"), trigger}}}};
    bindCall << QVariant::fromValue(QDBusObjectPath(sessionPath)) << QVariant::fromValue(shortcuts) << QString()
             << QVariantMap{{QStringLiteral("handle_token"), bindToken}};
    QCoro::Task<PortalReply> binding = PortalRequest::call(bus, bindCall, bindToken, timeout);
    const PortalReply bound = co_await binding;
    if (!self || self->m_generation != generation)
        co_return; // whoever moved on closed the session
    if (!bound.succeeded()) {
        fail(bound.outcome == PortalReply::Outcome::answered ? static_cast<qint32>(bound.response) : noAnswerStatus);
        co_return;
    }
    // The desktop may let the user leave a shortcut unassigned; then nothing would ever fire.
    const auto boundShortcuts =
        qdbus_cast<QList<PortalShortcut>>(bound.results.value(QStringLiteral("shortcuts")).value<QDBusArgument>());
    const bool captureBound = std::any_of(boundShortcuts.cbegin(), boundShortcuts.cend(),
                                          [](const PortalShortcut &shortcut) { return shortcut.id == shortcutID; });
    if (!captureBound)
        fail(notBoundStatus);
}

void PortalGlobalHotKeyManager::fail(qint32 status)
{
    unregisterCaptureHotKey();
    reportLateFailure(GlobalHotKeyError::registrationFailed(status));
}

void PortalGlobalHotKeyManager::closeSession(QDBusConnection bus, const QString &sessionPath)
{
    if (sessionPath.isEmpty())
        return;
    bus.call(QDBusMessage::createMethodCall(PortalRequest::service, sessionPath,
                                            QStringLiteral("org.freedesktop.portal.Session"), QStringLiteral("Close")),
             QDBus::NoBlock);
}

void PortalGlobalHotKeyManager::activated(const QDBusObjectPath &session, const QString &shortcut, qulonglong,
                                          const QVariantMap &)
{
    if (m_handler && !m_sessionPath.isEmpty() && session.path() == m_sessionPath && shortcut == shortcutID)
        m_handler();
}
