#include "AwaitTask.h"
#include "FakeDesktopPortal.h"
#include "capture/CaptureError.h"
#include "wayland/PortalCapturePermission.h"
#include "wayland/PortalGlobalHotKeyManager.h"
#include "wayland/PortalScreenSnapshotSource.h"

#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;

// Orvanta's portal clients against a portal of the test's own on a private session bus, speaking
// the real D-Bus interfaces.
class DesktopPortalsTest : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<PrivateSessionBus> m_bus;
    std::unique_ptr<FakeDesktopPortal> m_portal;
    QDBusConnection m_client{QString()};
    int m_connections = 0;

    struct Registration
    {
        std::unique_ptr<PortalGlobalHotKeyManager> manager;
        int fired = 0;
        QList<qint32> failures;
    };
    std::unique_ptr<Registration> registerShortcut(const CaptureHotKeyShortcut &shortcut)
    {
        auto registration = std::make_unique<Registration>();
        registration->manager = std::make_unique<PortalGlobalHotKeyManager>(m_client, 5s);
        Registration *raw = registration.get();
        raw->manager->setLateFailureHandler(
            [raw](const GlobalHotKeyError &error) { raw->failures.append(error.status()); });
        raw->manager->registerCaptureHotKey(shortcut, [raw] { ++raw->fired; });
        return registration;
    }

private Q_SLOTS:
    void init()
    {
        m_bus = std::make_unique<PrivateSessionBus>();
        QVERIFY2(m_bus->isRunning(), "dbus-daemon did not start");
        m_portal = std::make_unique<FakeDesktopPortal>(m_bus->connect(QStringLiteral("portal%1").arg(++m_connections)));
        m_client = m_bus->connect(QStringLiteral("client%1").arg(m_connections));
        QVERIFY(m_client.isConnected());
    }
    void cleanup()
    {
        m_portal.reset();
        m_client = QDBusConnection(QString());
        m_bus.reset();
    }

    void bindsAndFiresOncePerActivation()
    {
        const auto registration = registerShortcut({});
        QTRY_COMPARE(m_portal->boundTriggers, QStringList{QStringLiteral("CTRL+SHIFT+a")});
        const QString session = m_portal->lastSession();
        m_portal->activate(session, QStringLiteral("capture"));
        QTRY_COMPARE(registration->fired, 1);
        m_portal->activate(session, QStringLiteral("another-shortcut"));
        m_portal->activate(QStringLiteral("/org/freedesktop/portal/desktop/session/other/x"),
                           QStringLiteral("capture"));
        QTest::qWait(200);
        QCOMPARE(registration->fired, 1);
        QVERIFY(registration->failures.isEmpty());
    }

    void rebindingMovesToAFreshSession()
    {
        const auto registration = registerShortcut({});
        QTRY_COMPARE(m_portal->boundTriggers.size(), 1);
        const QString first = m_portal->lastSession();
        registration->manager->registerCaptureHotKey(
            {18, CaptureHotKeyShortcut::commandFlag | CaptureHotKeyShortcut::optionFlag},
            [&] { ++registration->fired; });
        QTRY_COMPARE(m_portal->boundTriggers.size(), 2);
        QCOMPARE(m_portal->boundTriggers.constLast(), QStringLiteral("CTRL+ALT+1"));
        QTRY_COMPARE(m_portal->closedSessions, 1);
        m_portal->activate(first, QStringLiteral("capture"));
        m_portal->activate(m_portal->lastSession(), QStringLiteral("capture"));
        QTRY_COMPARE(registration->fired, 1);
        QTest::qWait(200);
        QCOMPARE(registration->fired, 1);

        registration->manager->unregisterCaptureHotKey();
        QTRY_COMPARE(m_portal->closedSessions, 2);
    }

    void aPortalThatDoesNotBindIsAFailure_data()
    {
        QTest::addColumn<int>("answer"); // -1: a D-Bus error; -2: binds nothing; -3: no portal at all
        QTest::addColumn<qint32>("status");
        QTest::newRow("user refused") << 1 << qint32(1);
        QTest::newRow("backend failed") << 2 << qint32(2);
        QTest::newRow("D-Bus error") << -1 << PortalGlobalHotKeyManager::noAnswerStatus;
        QTest::newRow("nothing bound") << -2 << PortalGlobalHotKeyManager::notBoundStatus;
        QTest::newRow("no portal") << -3 << PortalGlobalHotKeyManager::noAnswerStatus;
    }
    void aPortalThatDoesNotBindIsAFailure()
    {
        QFETCH(int, answer);
        QFETCH(qint32, status);
        m_portal->response = answer > 0 ? uint(answer) : 0;
        m_portal->replyWithError = answer == -1;
        m_portal->bindNothing = answer == -2;
        if (answer == -3)
            m_portal.reset();
        const auto registration = registerShortcut({});
        QTRY_COMPARE(registration->failures, QList<qint32>{status});
        if (m_portal) {
            QTRY_COMPARE(m_portal->closedSessions, 1);
            m_portal->activate(m_portal->lastSession(), QStringLiteral("capture"));
        }
        QTest::qWait(200);
        QCOMPARE(registration->fired, 0);
    }

    void screenshotAnswersBecomeCaptureErrors_data()
    {
        QTest::addColumn<int>("answer"); // -1: a D-Bus error; -3: no portal
        QTest::addColumn<int>("kind");   // CaptureError::Kind
        QTest::addColumn<QString>("details");
        QTest::newRow("refused") << 1 << int(CaptureError::Kind::screenRecordingPermissionDenied) << QString();
        QTest::newRow("failed") << 2 << int(CaptureError::Kind::shareableContentFailed)
                                << QStringLiteral("The desktop could not take a screenshot.");
        QTest::newRow("D-Bus error") << -1 << int(CaptureError::Kind::shareableContentFailed)
                                     << QStringLiteral("The backend is unavailable.");
        QTest::newRow("no portal") << -3 << int(CaptureError::Kind::shareableContentFailed)
                                   << QStringLiteral("This desktop offers no screenshot service: install "
                                                     "xdg-desktop-portal and the portal backend for your desktop, "
                                                     "then try again.");
        QTest::newRow("unreadable picture") << 0 << int(CaptureError::Kind::shareableContentFailed)
                                            << QStringLiteral("The screenshot the desktop took could not be read.");
    }
    void screenshotAnswersBecomeCaptureErrors()
    {
        QFETCH(int, answer);
        QFETCH(int, kind);
        QFETCH(QString, details);
        QTemporaryDir dir;
        m_portal->response = answer > 0 ? uint(answer) : 0;
        m_portal->replyWithError = answer == -1;
        m_portal->screenshotPath = dir.filePath(QStringLiteral("not-a-picture.png"));
        QFile garbage(m_portal->screenshotPath);
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write("not a PNG");
        garbage.close();
        if (answer == -3)
            m_portal.reset();
        PortalScreenSnapshotSource source(m_client, 5s);
        const QString failure = failureMessage(source.freezeScreens(QGuiApplication::screens()));
        const CaptureError expected = kind == int(CaptureError::Kind::screenRecordingPermissionDenied)
                                          ? CaptureError::screenRecordingPermissionDenied()
                                          : CaptureError::shareableContentFailed(details);
        QCOMPARE(failure, expected.message());
        // Whatever the portal wrote for us is gone once it was read.
        QCOMPARE(QFile::exists(dir.filePath(QStringLiteral("not-a-picture.png"))), answer != 0);
        PortalCapturePermission permission(m_client);
        QVERIFY(!awaitTask(permission.hasCaptureAccess()));
    }

    void screenshotIsReadCutAndRemoved()
    {
        QTemporaryDir dir;
        QScreen *screen = QGuiApplication::primaryScreen();
        // The portal's picture at twice the screen's scale, a different colour in each half.
        const QSize pixels = screen->geometry().size() * 2;
        QImage desktop(pixels, QImage::Format_ARGB32);
        desktop.fill(Qt::darkBlue);
        for (int y = 0; y < pixels.height(); ++y)
            std::fill_n(reinterpret_cast<QRgb *>(desktop.scanLine(y)), pixels.width() / 2, qRgb(200, 40, 40));
        m_portal->screenshotPath = dir.filePath(QStringLiteral("Screenshot.png"));
        QVERIFY(desktop.save(m_portal->screenshotPath));

        PortalCapturePermission permission(m_client);
        QVERIFY(awaitTask(permission.hasCaptureAccess()));
        QVERIFY(!QFile::exists(m_portal->screenshotPath));

        QVERIFY(desktop.save(m_portal->screenshotPath));
        PortalScreenSnapshotSource source(m_client, 5s);
        const QList<QImage> pictures = awaitTask(source.freezeScreens({screen}));
        QCOMPARE(pictures.size(), 1);
        const QImage &picture = pictures.constFirst();
        QCOMPARE(picture.size(), screen->geometry().size() * screen->devicePixelRatio());
        QCOMPARE(picture.pixel(1, 1), qRgb(200, 40, 40));
        QCOMPARE(picture.pixel(picture.width() - 2, picture.height() - 2), QColor(Qt::darkBlue).rgb());
        QVERIFY(!QFile::exists(m_portal->screenshotPath));
    }
};

QTEST_MAIN(DesktopPortalsTest)
#include "tst_desktop_portals.moc"
