#include "FakeDesktopPortal.h"

#include "wayland/PortalShortcut.h"

#include <QDBusAbstractAdaptor>
#include <QDBusMessage>
#include <QFile>
#include <QTimer>
#include <QUrl>

PrivateSessionBus::PrivateSessionBus()
{
    const QString config = m_dir.filePath(QStringLiteral("bus.conf"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(QStringLiteral("<busconfig><type>session</type><listen>unix:dir=%1</listen><auth>EXTERNAL</auth>"
                              "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                              "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>")
                   .arg(m_dir.path())
                   .toUtf8());
    file.close();
    m_daemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--config-file=") + config,
                                                   QStringLiteral("--nofork"), QStringLiteral("--print-address")});
    if (m_daemon.waitForReadyRead(10'000))
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
}

PrivateSessionBus::~PrivateSessionBus()
{
    for (const QString &name : std::as_const(m_connections))
        QDBusConnection::disconnectFromBus(name);
    m_daemon.terminate();
    m_daemon.waitForFinished(5000);
}

QDBusConnection PrivateSessionBus::connect(const QString &name)
{
    m_connections.append(name);
    return QDBusConnection::connectToBus(m_address, name);
}

namespace {
class SessionAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Session")
public:
    SessionAdaptor(QObject *holder, FakeDesktopPortal &portal, QString path)
        : QDBusAbstractAdaptor(holder)
        , m_portal(portal)
        , m_path(std::move(path))
    {}
public Q_SLOTS:
    void Close() { m_portal.closeSession(m_path); }

private:
    FakeDesktopPortal &m_portal;
    QString m_path;
};

class ScreenshotAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Screenshot")
public:
    explicit ScreenshotAdaptor(FakeDesktopPortal &portal) : QDBusAbstractAdaptor(&portal), m_portal(portal) {}
public Q_SLOTS:
    QDBusObjectPath Screenshot(const QString &, const QVariantMap &options, const QDBusMessage &call)
    {
        return m_portal.answer(call, options,
                               {{QStringLiteral("uri"), QUrl::fromLocalFile(m_portal.screenshotPath).toString()}});
    }

private:
    FakeDesktopPortal &m_portal;
};

class GlobalShortcutsAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.GlobalShortcuts")
public:
    explicit GlobalShortcutsAdaptor(FakeDesktopPortal &portal) : QDBusAbstractAdaptor(&portal), m_portal(portal) {}
public Q_SLOTS:
    QDBusObjectPath CreateSession(const QVariantMap &options, const QDBusMessage &call)
    {
        return m_portal.createSession(options, call);
    }
    QDBusObjectPath BindShortcuts(const QDBusObjectPath &, const QList<PortalShortcut> &shortcuts, const QString &,
                                  const QVariantMap &options, const QDBusMessage &call)
    {
        if (!m_portal.replyWithError && m_portal.response == 0 && !m_portal.bindNothing) {
            for (const PortalShortcut &shortcut : shortcuts)
                m_portal.boundTriggers.append(
                    shortcut.properties.value(QStringLiteral("preferred_trigger")).toString());
        }
        return m_portal.answer(call, options,
                               {{QStringLiteral("shortcuts"),
                                 QVariant::fromValue(m_portal.bindNothing ? QList<PortalShortcut>{} : shortcuts)}});
    }

private:
    FakeDesktopPortal &m_portal;
};
} // namespace

FakeDesktopPortal::FakeDesktopPortal(QDBusConnection bus) : m_bus(std::move(bus))
{
    PortalShortcut::registerType();
    new ScreenshotAdaptor(*this);
    new GlobalShortcutsAdaptor(*this);
    m_bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), this);
    m_bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
}

FakeDesktopPortal::~FakeDesktopPortal()
{
    m_bus.unregisterService(QStringLiteral("org.freedesktop.portal.Desktop"));
}

QDBusObjectPath FakeDesktopPortal::answer(const QDBusMessage &call, const QVariantMap &options,
                                          const QVariantMap &results)
{
    if (replyWithError) {
        call.setDelayedReply(true);
        m_bus.send(call.createErrorReply(QStringLiteral("org.freedesktop.portal.Error.Failed"),
                                         QStringLiteral("The backend is unavailable.")));
        return {};
    }
    // The Request path every portal client expects: its unique name and its handle token.
    QString sender = call.service().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    const QString path = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
                             .arg(sender, options.value(QStringLiteral("handle_token")).toString());
    // Like a real portal, the Response follows the method's own reply.
    QTimer::singleShot(0, this, [this, path, code = response, results] {
        QDBusMessage signal = QDBusMessage::createSignal(path, QStringLiteral("org.freedesktop.portal.Request"),
                                                         QStringLiteral("Response"));
        signal << code << (code == 0 ? results : QVariantMap());
        m_bus.send(signal);
    });
    return QDBusObjectPath(path);
}

QDBusObjectPath FakeDesktopPortal::createSession(const QVariantMap &options, const QDBusMessage &call)
{
    QString sender = call.service().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    const QString path = QStringLiteral("/org/freedesktop/portal/desktop/session/%1/%2")
                             .arg(sender, options.value(QStringLiteral("session_handle_token")).toString());
    auto *holder = new QObject(this);
    new SessionAdaptor(holder, *this, path);
    m_bus.registerObject(path, holder);
    m_sessions.append(path);
    // Session creation itself always succeeds here; the test's answers are for the bind.
    const uint wanted = response;
    const bool error = replyWithError;
    response = 0;
    replyWithError = false;
    const QDBusObjectPath request = answer(call, options, {{QStringLiteral("session_handle"), path}});
    response = wanted;
    replyWithError = error;
    return request;
}

void FakeDesktopPortal::closeSession(const QString &path)
{
    ++closedSessions;
    m_bus.unregisterObject(path);
}

void FakeDesktopPortal::activate(const QString &session, const QString &id)
{
    QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/portal/desktop"),
                                                     QStringLiteral("org.freedesktop.portal.GlobalShortcuts"),
                                                     QStringLiteral("Activated"));
    signal << QVariant::fromValue(QDBusObjectPath(session)) << id << qulonglong(0) << QVariantMap();
    m_bus.send(signal);
}

#include "FakeDesktopPortal.moc"
