#include "AwaitTask.h"
#include "capture/CaptureError.h"
#include "wayland/PortalCapturePermission.h"
#include "wayland/PortalGlobalHotKeyManager.h"
#include "wayland/PortalShortcut.h"

#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace std::chrono_literals;

namespace {
const QString desktopPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString serviceName = QStringLiteral("org.freedesktop.portal.Desktop");

// The parts of org.freedesktop.portal.Desktop that Orvanta speaks to, Screenshot and
// GlobalShortcuts, answering through Request objects' Response signals as the test sets.
class FakeDesktopPortal : public QDBusVirtualObject
{
public:
    explicit FakeDesktopPortal(QDBusConnection bus) : m_bus(std::move(bus))
    {
        PortalShortcut::registerType();
        m_bus.registerVirtualObject(desktopPath, this, QDBusConnection::SubPath);
        m_bus.registerService(serviceName);
    }
    ~FakeDesktopPortal() override
    {
        m_bus.unregisterService(serviceName);
        m_bus.unregisterObject(desktopPath);
    }

    // How the next Screenshot or BindShortcuts ends: its Response code (0 success, 1 refused,
    // 2 failed).
    uint response = 0;
    QString screenshotPath; // the file the Screenshot answer points at
    QStringList boundTriggers;
    QStringList sessions;
    int closedSessions = 0;

    // The desktop saw the shortcut `id` pressed in `session`.
    void activate(const QString &session, const QString &id)
    {
        QDBusMessage signal = QDBusMessage::createSignal(
            desktopPath, QStringLiteral("org.freedesktop.portal.GlobalShortcuts"), QStringLiteral("Activated"));
        signal << QVariant::fromValue(QDBusObjectPath(session)) << id << qulonglong(0) << QVariantMap();
        m_bus.send(signal);
    }

    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &) override
    {
        const QString member = message.member();
        if (member == QStringLiteral("Close")) {
            ++closedSessions;
            return m_bus.send(message.createReply());
        }
        // Requests and sessions live at paths made of the caller's unique name and its tokens.
        QString sender = message.service().mid(1);
        sender.replace(QLatin1Char('.'), QLatin1Char('_'));
        const auto options = qdbus_cast<QVariantMap>(message.arguments().constLast());
        const auto pathFor = [&](const QString &kind, const QString &token) {
            return QStringLiteral("%1/%2/%3/%4").arg(desktopPath, kind, sender, options.value(token).toString());
        };
        uint code = response;
        QVariantMap results;
        if (member == QStringLiteral("CreateSession")) {
            code = 0;
            sessions.append(pathFor(QStringLiteral("session"), QStringLiteral("session_handle_token")));
            results.insert(QStringLiteral("session_handle"), sessions.constLast());
        } else if (member == QStringLiteral("Screenshot")) {
            results.insert(QStringLiteral("uri"), QUrl::fromLocalFile(screenshotPath).toString());
        } else if (member == QStringLiteral("BindShortcuts")) {
            const auto shortcuts = qdbus_cast<QList<PortalShortcut>>(message.arguments().at(1));
            for (const PortalShortcut &shortcut : std::as_const(shortcuts))
                boundTriggers.append(shortcut.properties.value(QStringLiteral("preferred_trigger")).toString());
            results.insert(QStringLiteral("shortcuts"), QVariant::fromValue(shortcuts));
        } else {
            return false;
        }
        const QString request = pathFor(QStringLiteral("request"), QStringLiteral("handle_token"));
        m_bus.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
        // Like a real portal, the Response follows the method's own reply.
        QTimer::singleShot(0, this, [this, request, code, results] {
            QDBusMessage signal = QDBusMessage::createSignal(request, QStringLiteral("org.freedesktop.portal.Request"),
                                                             QStringLiteral("Response"));
            signal << code << (code == 0 ? results : QVariantMap());
            m_bus.send(signal);
        });
        return true;
    }

private:
    QDBusConnection m_bus;
};
} // namespace

// Orvanta's portal clients against a portal of the test's own, speaking the real D-Bus interfaces
// on the private session bus dbus-run-session gives this test.
class DesktopPortalsTest : public QObject
{
    Q_OBJECT
    std::unique_ptr<FakeDesktopPortal> m_portal;
    int m_fired = 0;
    QList<qint32> m_failures;

    std::unique_ptr<PortalGlobalHotKeyManager> registerShortcut()
    {
        auto manager = std::make_unique<PortalGlobalHotKeyManager>(QDBusConnection::sessionBus(), 5s);
        manager->setLateFailureHandler([this](const GlobalHotKeyError &error) { m_failures.append(error.status()); });
        manager->registerCaptureHotKey({}, [this] { ++m_fired; });
        return manager;
    }

private Q_SLOTS:
    void init()
    {
        m_portal = std::make_unique<FakeDesktopPortal>(
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("portal")));
        m_failures.clear();
    }
    void cleanup() { m_portal.reset(); }

    void bindFireRebindAndUnregister()
    {
        const auto manager = registerShortcut();
        QTRY_COMPARE(m_portal->boundTriggers, QStringList{QStringLiteral("CTRL+SHIFT+a")});
        const QString first = m_portal->sessions.constLast();
        m_portal->activate(first, QStringLiteral("another-shortcut"));
        m_portal->activate(first, QStringLiteral("capture"));
        QTRY_COMPARE(m_fired, 1);

        manager->registerCaptureHotKey({18, CaptureHotKeyShortcut::commandFlag | CaptureHotKeyShortcut::optionFlag},
                                       [this] { ++m_fired; });
        QTRY_COMPARE(m_portal->boundTriggers.size(), 2);
        QCOMPARE(m_portal->boundTriggers.constLast(), QStringLiteral("CTRL+ALT+1"));
        m_portal->activate(first, QStringLiteral("capture")); // the old session is gone
        m_portal->activate(m_portal->sessions.constLast(), QStringLiteral("capture"));
        QTRY_COMPARE(m_fired, 2);

        manager->unregisterCaptureHotKey();
        QTRY_COMPARE(m_portal->closedSessions, 2);
        QVERIFY(m_failures.isEmpty());
    }

    void aPortalThatDoesNotBindIsAFailure_data()
    {
        QTest::addColumn<int>("answer"); // a Response code; -3 no portal
        QTest::addColumn<qint32>("status");
        QTest::newRow("user refused") << 1 << qint32(1);
        QTest::newRow("no portal") << -3 << PortalGlobalHotKeyManager::noAnswerStatus;
    }
    void aPortalThatDoesNotBindIsAFailure()
    {
        QFETCH(int, answer);
        QFETCH(qint32, status);
        m_portal->response = std::max(answer, 0);
        if (answer == -3)
            m_portal.reset();
        const auto manager = registerShortcut();
        QTRY_COMPARE(m_failures, QList<qint32>{status});
        QTRY_COMPARE(m_portal ? m_portal->closedSessions : 1, 1); // the refused session is given back
    }

    void screenshotAnswers_data()
    {
        QTest::addColumn<int>("answer");     // a Response code; -3 no portal
        QTest::addColumn<QString>("saying"); // part of the message; none for the permission refusal
        QTest::newRow("unreadable picture") << 0 << QStringLiteral("could not be read");
        QTest::newRow("refused") << 1 << QString();
        QTest::newRow("failed") << 2 << QStringLiteral("could not take a screenshot");
        QTest::newRow("no portal") << -3 << QStringLiteral("install xdg-desktop-portal");
    }
    void screenshotAnswers()
    {
        QFETCH(int, answer);
        QFETCH(QString, saying);
        QTemporaryDir dir;
        m_portal->screenshotPath = dir.filePath(QStringLiteral("Screenshot.png"));
        QVERIFY(QFile(m_portal->screenshotPath).open(QIODevice::WriteOnly));
        m_portal->response = std::max(answer, 0);
        if (answer == -3)
            m_portal.reset();
        PortalScreenSnapshotSource source(QDBusConnection::sessionBus(), 5s);
        const QString message = failureMessage(source.freezeScreens(QGuiApplication::screens()));
        if (saying.isEmpty())
            QCOMPARE(message, CaptureError::screenRecordingPermissionDenied().message());
        else
            QVERIFY2(message.contains(saying), qPrintable(message));
        // Whatever the portal wrote for us is gone once it was read.
        QCOMPARE(QFile::exists(dir.filePath(QStringLiteral("Screenshot.png"))), answer != 0);
        QVERIFY(!awaitTask(PortalCapturePermission().hasCaptureAccess()));
    }
};

QTEST_MAIN(DesktopPortalsTest)
#include "tst_desktop_portals.moc"
