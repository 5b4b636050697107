#include "ControllerHarness.h"
#include "TemporaryHome.h"
#include "app/AppDelegate.h"
#include "app/CaptureHandler.h"
#include "hotkey/GlobalHotKeyError.h"
#include "hotkey/GlobalHotKeyManager.h"

#include <QCoreApplication>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// Records what the delegate asks of the hot-key service; can refuse like a busy X server.
class RecordingHotKeyManager : public GlobalHotKeyManager
{
public:
    void registerCaptureHotKey(const CaptureHotKeyShortcut &shortcut, std::function<void()> handler) override
    {
        unregisterCaptureHotKey();
        registrations.append(shortcut);
        if (refuseWithStatus)
            throw GlobalHotKeyError::registrationFailed(*refuseWithStatus);
        registered = shortcut;
        this->handler = std::move(handler);
    }
    void unregisterCaptureHotKey() override
    {
        ++unregistrations;
        registered.reset();
        handler = nullptr;
    }
    void press() const
    {
        if (handler)
            handler();
    }
    // A desktop that took the shortcut and refuses it afterwards.
    void refuseLater(qint32 status) const { reportLateFailure(GlobalHotKeyError::registrationFailed(status)); }

    QList<CaptureHotKeyShortcut> registrations;
    std::optional<CaptureHotKeyShortcut> registered;
    std::function<void()> handler;
    std::optional<qint32> refuseWithStatus;
    int unregistrations = 0;
};

// Ctrl+Alt+K and Super+Space in the stored flags.
const CaptureHotKeyShortcut ctrlAltK{40, CaptureHotKeyShortcut::commandFlag | CaptureHotKeyShortcut::optionFlag};
const CaptureHotKeyShortcut superSpace{49, CaptureHotKeyShortcut::controlFlag};
} // namespace

Q_DECLARE_METATYPE(std::optional<CaptureHotKeyShortcut>)

class AppDelegateTest : public QObject
{
    Q_OBJECT
private:
    TemporaryHome m_home;
    std::unique_ptr<ControllerHarness> h;
    std::unique_ptr<RecordingHotKeyManager> m_manager;
    std::unique_ptr<AppDelegate> m_delegate;
    int m_run = 0;

    void post(const QString &name, const QVariant &object) { h->notifications.post(name, object); }

private Q_SLOTS:
    void init()
    {
        h = std::make_unique<ControllerHarness>(m_home.path() + QStringLiteral("/library-%1").arg(++m_run));
        m_manager = std::make_unique<RecordingHotKeyManager>();
        m_delegate = std::make_unique<AppDelegate>(*m_manager, h->defaults, h->notifications);
    }
    void cleanup()
    {
        m_delegate.reset();
        m_manager.reset();
        h.reset();
    }

    void notificationsDriveRegistration_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariant>("object");
        QTest::addColumn<std::optional<CaptureHotKeyShortcut>>("expected");

        const auto row = [](const char *name, const QString &notification, const QVariant &object,
                            std::optional<CaptureHotKeyShortcut> expected) {
            QTest::newRow(name) << notification << object << expected;
        };
        const QString change = SettingsNotifications::captureHotKeyDidChange;
        const QString recording = SettingsNotifications::captureHotKeyRecordingDidChange;
        row("change carries the new shortcut", change, QVariant::fromValue(superSpace), superSpace);
        row("change without an object registers the default", change, QVariant(), CaptureHotKeyShortcut{});
        row("recording starts: nothing registered", recording, true, std::nullopt);
        row("recording ends: the saved shortcut again", recording, false, ctrlAltK);
        row("recording flag of another type is ignored", recording, 1, ctrlAltK);
        row("other notifications are ignored: the saved one from launch", u"orvanta.settings.somethingElse"_s,
            QVariant::fromValue(superSpace), ctrlAltK);
    }
    void notificationsDriveRegistration()
    {
        QFETCH(QString, name);
        QFETCH(QVariant, object);
        QFETCH(std::optional<CaptureHotKeyShortcut>, expected);
        h->defaults.setValue(SettingsKeys::captureHotKey, ctrlAltK.toJson());
        m_delegate->applicationDidFinishLaunching();
        post(name, object);
        QCOMPARE(m_manager->registered, expected);
    }

    void changesWhileRecordingWaitForTheEndOfRecording()
    {
        m_delegate->applicationDidFinishLaunching();
        post(SettingsNotifications::captureHotKeyRecordingDidChange, true);
        const int registrations = m_manager->registrations.size();
        // The store saves what the recorder took and announces it; recording is still on.
        h->settings.setCaptureHotKey(superSpace);
        QCOMPARE(m_manager->registrations.size(), registrations);
        QVERIFY(!m_manager->registered);
        post(SettingsNotifications::captureHotKeyRecordingDidChange, false);
        QCOMPARE(m_manager->registered, std::optional(superSpace));
    }

    void pressCallsTheCaptureHandlerOnALaterTurn()
    {
        int captures = 0;
        m_delegate->setCaptureHandler([&captures] { ++captures; });
        m_delegate->applicationDidFinishLaunching();
        m_manager->press();
        QCOMPARE(captures, 0); // scheduled, not called from inside the hot-key callback
        QTRY_COMPARE(captures, 1);
        QTest::qWait(20);
        QCOMPARE(captures, 1);
    }

    void refusedRegistrationIsLoggedAndTheAppGoesOn()
    {
        const auto refusalLogged = [](qint32 status) {
            return "Orvanta failed to register global hotkey: Registering the global hotkey failed with status " +
                   QByteArray::number(status) + '.';
        };
        m_manager->refuseWithStatus = 10;
        QTest::ignoreMessage(QtWarningMsg, refusalLogged(10).constData());
        m_delegate->applicationDidFinishLaunching();
        QVERIFY(!m_manager->registered);
        QVERIFY(!m_delegate->isCaptureHotKeyAvailable());
        // A later change is still tried.
        m_manager->refuseWithStatus.reset();
        h->settings.setCaptureHotKey(superSpace);
        QCOMPARE(m_manager->registered, std::optional(superSpace));
        QVERIFY(m_delegate->isCaptureHotKeyAvailable());
        // A refusal the desktop sends afterwards counts the same; once the delegate is gone, nobody hears it.
        QTest::ignoreMessage(QtWarningMsg, refusalLogged(11).constData());
        m_manager->refuseLater(11);
        QVERIFY(!m_delegate->isCaptureHotKeyAvailable());
        m_delegate.reset();
        QTest::failOnWarning(refusalLogged(12).constData());
        m_manager->refuseLater(12);
    }

    void terminationUnregistersAndStopsListening()
    {
        m_delegate->applicationDidFinishLaunching();
        m_delegate->applicationWillTerminate();
        QVERIFY(!m_manager->registered);
        h->settings.setCaptureHotKey(superSpace);
        QVERIFY(!m_manager->registered);
    }

    void captureHandlerFollowsSessionAndBusyState_data()
    {
        QTest::addColumn<bool>("signedIn");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<int>("expectedCaptures");
        QTest::addColumn<int>("expectedRaises");
        QTest::newRow("signed out: window forward, no capture") << false << false << 0 << 1;
        QTest::newRow("signed in and idle: capture") << true << false << 1 << 0;
        QTest::newRow("signed in and busy: nothing") << true << true << 1 << 0;
    }
    void captureHandlerFollowsSessionAndBusyState()
    {
        QFETCH(bool, signedIn);
        QFETCH(bool, busy);
        QFETCH(int, expectedCaptures);
        QFETCH(int, expectedRaises);
        if (!signedIn)
            h->session.setState(SessionState::signedOut());
        int raises = 0;
        const std::function<void()> handler = makeCaptureHandler(*h->controller, h->session, [&raises] { ++raises; });
        if (busy) {
            // A first capture waits at the gate, so the controller stays busy.
            h->capture.gate.close();
            handler();
            QVERIFY(h->controller->isBusy());
        }
        handler();
        QCOMPARE(h->capture.calls, expectedCaptures);
        QCOMPARE(raises, expectedRaises);
        h->capture.gate.open();
        QTRY_VERIFY(!h->controller->isBusy());
    }
};

QTEST_MAIN(AppDelegateTest)
#include "tst_app_delegate.moc"
