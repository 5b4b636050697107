#pragma once

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// A D-Bus daemon of the test's own, with no services to start: nothing on it answers unless the
// test puts it there.
class PrivateSessionBus
{
public:
    PrivateSessionBus();
    ~PrivateSessionBus();
    bool isRunning() const { return !m_address.isEmpty(); }
    // A new connection to the bus, under `name`.
    QDBusConnection connect(const QString &name);

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
    QStringList m_connections;
};

// The parts of org.freedesktop.portal.Desktop Orvanta speaks to, answering as the test sets:
// Screenshot and GlobalShortcuts, each answering through a Request object's Response signal.
class FakeDesktopPortal : public QObject
{
    Q_OBJECT
public:
    explicit FakeDesktopPortal(QDBusConnection bus);
    ~FakeDesktopPortal() override;

    // How the next calls end: a Response code (0 success, 1 refused, 2 failed), or a D-Bus error.
    uint response = 0;
    bool replyWithError = false;
    // BindShortcuts answers success without binding anything.
    bool bindNothing = false;
    // The picture the Screenshot method "takes" (written to a file whose URI it answers with).
    QString screenshotPath;

    QStringList boundTriggers;
    int closedSessions = 0;
    QString lastSession() const { return m_sessions.isEmpty() ? QString() : m_sessions.constLast(); }
    // The desktop saw the shortcut `id` pressed in `session`.
    void activate(const QString &session, const QString &id);

    // Slots of the adaptors.
    QDBusObjectPath answer(const QDBusMessage &call, const QVariantMap &options, const QVariantMap &results);
    QDBusObjectPath createSession(const QVariantMap &options, const QDBusMessage &call);
    void closeSession(const QString &path);

private:
    QDBusConnection m_bus;
    QStringList m_sessions;
};
