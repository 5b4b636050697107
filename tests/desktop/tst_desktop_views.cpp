#include "ControllerHarness.h"
#include "TemporaryHome.h"
#include "WidgetProbes.h"
#include "capture/CaptureError.h"
#include "settings/QSettingsKeyValueStore.h"
#include "settings/SettingsView.h"
#include "settings/ShortcutRecorderView.h"
#include "tray/TrayMenu.h"

#include <QApplication>
#include <QCheckBox>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
using Flags = CaptureHotKeyShortcut;
const CaptureHotKeyShortcut recorderStart{45, Flags::optionFlag}; // Alt+N

// The objects posted so far under `name`, in order.
QVariantList announced(const QSignalSpy &posted, const QString &name)
{
    QVariantList objects;
    for (const QList<QVariant> &arguments : posted) {
        if (arguments.at(0).toString() == name)
            objects.append(arguments.at(1));
    }
    return objects;
}
} // namespace

Q_DECLARE_METATYPE(SessionState)
Q_DECLARE_METATYPE(std::optional<CaptureHotKeyShortcut>)

class DesktopViewsTest : public QObject
{
    Q_OBJECT
private:
    TemporaryHome m_home;
    std::unique_ptr<ControllerHarness> h;
    int m_run = 0;

    // A window holding a recorder and a second control to click on.
    struct RecorderWindow
    {
        QWidget window;
        ShortcutRecorderView *recorder;
        QPushButton *elsewhere;
        explicit RecorderWindow(NotificationCenter *notifications)
            : recorder(new ShortcutRecorderView(notifications))
            , elsewhere(new QPushButton(u"Elsewhere"_s))
        {
            auto *layout = new QVBoxLayout(&window);
            layout->addWidget(recorder);
            layout->addWidget(elsewhere);
        }
    };

private Q_SLOTS:
    void init() { h = std::make_unique<ControllerHarness>(m_home.path() + u"/library-%1"_s.arg(++m_run)); }
    void cleanup() { h.reset(); }

    // --- shortcut recorder ---

    void recorderKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<std::optional<CaptureHotKeyShortcut>>("expected"); // none: refused with a beep
        const auto row = [](const char *name, Qt::Key key, Qt::KeyboardModifiers modifiers,
                            std::optional<CaptureHotKeyShortcut> expected = {}) {
            QTest::newRow(name) << int(key) << int(modifiers) << expected;
        };
        const Qt::KeyboardModifiers ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
        row("Ctrl+Shift+Z", Qt::Key_Z, ctrlShift, CaptureHotKeyShortcut{6, Flags::commandFlag | Flags::shiftFlag});
        row("Alt+Super+5", Qt::Key_5, Qt::AltModifier | Qt::MetaModifier,
            CaptureHotKeyShortcut{23, Flags::optionFlag | Flags::controlFlag});
        row("Ctrl+Space", Qt::Key_Space, Qt::ControlModifier, CaptureHotKeyShortcut{49, Flags::commandFlag});
        row("A without modifiers beeps", Qt::Key_A, {});
        row("Shift alone beeps", Qt::Key_Shift, Qt::ShiftModifier);
        row("Ctrl+F5 is outside the key table", Qt::Key_F5, Qt::ControlModifier);
        row("Escape keeps the old shortcut", Qt::Key_Escape, {}, recorderStart);
        row("Escape with modifiers too", Qt::Key_Escape, ctrlShift, recorderStart);
        row("Delete restores Ctrl+Shift+A", Qt::Key_Delete, {}, CaptureHotKeyShortcut{});
    }
    void recorderKeys()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(std::optional<CaptureHotKeyShortcut>, expected);
        const bool beeped = !expected;
        const bool recorded = expected && *expected != recorderStart;

        RecorderWindow w(&h->notifications);
        w.recorder->setShortcut(recorderStart);
        QVERIFY(showActive(w.window));
        QSignalSpy posted(&h->notifications, &NotificationCenter::posted);
        QSignalSpy recordedSpy(w.recorder, &ShortcutRecorderView::shortcutRecorded);
        QSignalSpy refused(w.recorder, &ShortcutRecorderView::keyRefused);

        QTest::mouseClick(w.recorder, Qt::LeftButton);
        QVERIFY(w.recorder->isRecording());
        QCOMPARE(w.recorder->displayText(), QString());
        QTest::keyClick(w.recorder, Qt::Key(key), Qt::KeyboardModifiers(modifiers));

        QCOMPARE(w.recorder->shortcut(), expected.value_or(recorderStart));
        QCOMPARE(recordedSpy.size(), recorded ? 1 : 0);
        if (recorded)
            QCOMPARE(recordedSpy.at(0).at(0).value<CaptureHotKeyShortcut>(), *expected);
        QCOMPARE(refused.size(), beeped ? 1 : 0);
        // A refused key keeps recording; anything else ends it and gives up the focus.
        QCOMPARE(w.recorder->isRecording(), beeped);
        QCOMPARE(w.recorder->hasFocus(), beeped);
        QCOMPARE(announced(posted, SettingsNotifications::captureHotKeyRecordingDidChange),
                 beeped ? QVariantList{true} : (QVariantList{true, false}));
        if (!beeped)
            QCOMPARE(w.recorder->displayText(), expected->displayString());
    }

    void clickElsewhereEndsRecordingWithoutAChange()
    {
        RecorderWindow w(&h->notifications);
        QVERIFY(showActive(w.window));
        QSignalSpy posted(&h->notifications, &NotificationCenter::posted);
        QTest::mouseClick(w.recorder, Qt::LeftButton);
        QTest::mouseClick(w.recorder, Qt::LeftButton); // a click inside keeps recording
        QVERIFY(w.recorder->isRecording());
        QTest::mouseClick(w.elsewhere, Qt::LeftButton);
        QVERIFY(!w.recorder->isRecording());
        QCOMPARE(w.recorder->shortcut(), CaptureHotKeyShortcut{});
        QCOMPARE(announced(posted, SettingsNotifications::captureHotKeyRecordingDidChange),
                 (QVariantList{true, false}));
        // The click went on to its target, and the next click on the recorder records again.
        QTest::mouseClick(w.recorder, Qt::LeftButton);
        QVERIFY(w.recorder->isRecording());
    }

    // --- settings view and window ---

    void doneAndEscapeStoreEverySettingAndAnnounceTheShortcut_data()
    {
        QTest::addColumn<bool>("viaEscape");
        QTest::newRow("Done") << false;
        QTest::newRow("Escape") << true;
    }
    void doneAndEscapeStoreEverySettingAndAnnounceTheShortcut()
    {
        QFETCH(bool, viaEscape);
        SettingsView view(h->settings, h->session);
        QSignalSpy posted(&h->notifications, &NotificationCenter::posted);
        QSignalSpy dismissed(&view, &SettingsView::dismissRequested);
        if (viaEscape)
            QTest::keyClick(&view, Qt::Key_Escape);
        else
            buttonWithText(view, u"Done"_s)->click();
        QCOMPARE(dismissed.size(), 1);
        for (const QString &key :
             {SettingsKeys::hostedBackendBaseURL, SettingsKeys::cognitoDomainURL, SettingsKeys::cognitoClientID,
              SettingsKeys::themePreference, SettingsKeys::languagePreference, SettingsKeys::captureHotKey,
              SettingsKeys::overlayPanelSizePreset})
            QVERIFY2(h->defaults.value(key).isValid(), qPrintable(key));
        // Announced even though the shortcut did not change.
        QCOMPARE(posted.size(), 1);
        QCOMPARE(announced(posted, SettingsNotifications::captureHotKeyDidChange),
                 QVariantList{QVariant::fromValue(CaptureHotKeyShortcut{})});
    }

    void startAtLoginWritesAndRemovesTheAutostartEntry()
    {
        const QString entry = LoginAutostart::defaultEntryPath();
        SettingsView view(h->settings, h->session);
        auto *startAtLogin = view.findChild<QCheckBox *>();
        QVERIFY(!startAtLogin->isChecked());
        startAtLogin->click();
        QFile file(entry);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains(
            "\nExec=" + LoginAutostart::execLine(QCoreApplication::applicationFilePath()).toUtf8() + "\n"));
        QVERIFY(SettingsView(h->settings, h->session).findChild<QCheckBox *>()->isChecked());
        startAtLogin->click();
        QVERIFY(!QFile::exists(entry));

        // Where the autostart folder cannot be made, the box stays off and says why.
        const QString folder = QFileInfo(entry).path();
        QVERIFY(QDir(folder).removeRecursively() && QFile(folder).open(QIODevice::WriteOnly));
        startAtLogin->click();
        QVERIFY(!startAtLogin->isChecked());
        QVERIFY(labelTexts(view).contains(u"Orvanta could not write %1."_s.arg(entry)));
        QVERIFY(QFile::remove(folder));
    }

    void autostartCommandIsQuotedForTheDesktop()
    {
        QCOMPARE(LoginAutostart::execLine(u"/tmp/a$b\"c/orvanta"_s), u"\"/tmp/a\\\\$b\\\\\"c/orvanta\" --background"_s);
        QCOMPARE(LoginAutostart::execLine(u"/tmp/100%/orvanta"_s), u"/tmp/100%%/orvanta --background"_s);
    }

    void accountSectionFollowsTheSession()
    {
        UserSession session = *FakeSessionService::signedIn().session;
        session.provider = AuthProvider::google;
        session.email = u"ada@example.com"_s;
        h->session.setState(SessionState::authenticated(session));
        SettingsView view(h->settings, h->session);
        view.show();
        for (const QString &shown : {u"Sign-in method"_s, u"Google"_s, u"Email"_s, u"ada@example.com"_s})
            QVERIFY2(labelTexts(view).contains(shown), qPrintable(shown));
        QVERIFY(!labelTexts(view).contains(u"Authentication required"_s));
        h->session.setState(SessionState::signedOut());
        QTRY_VERIFY(labelTexts(view).contains(u"Authentication required"_s));
        QVERIFY(!labelTexts(view).contains(u"Email"_s) && !buttonWithText(view, u"Sign Out"_s));
    }

    void signOutAsksTheSessionThenDismisses()
    {
        SettingsView view(h->settings, h->session);
        QList<QString> order;
        connect(&view, &SettingsView::signOutRequested, this, [&] {
            order.append(u"sign out"_s);
            h->session.setState(SessionState::signedOut());
        });
        connect(&view, &SettingsView::dismissRequested, this, [&] { order.append(u"dismiss"_s); });
        buttonWithText(view, u"Sign Out"_s)->click();
        QCOMPARE(order, (QList<QString>{u"sign out"_s, u"dismiss"_s}));
        QTRY_VERIFY(labelTexts(view).contains(u"Authentication required"_s));
    }

    // --- tray menu ---

    void trayMenuFollowsSessionAndBusyState_data()
    {
        QTest::addColumn<SessionState>("state");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<bool>("captureEnabled");
        QTest::newRow("signed out") << SessionState::signedOut() << false << false;
        QTest::newRow("signed in") << FakeSessionService::signedIn() << false << true;
        QTest::newRow("signed in, capture running") << FakeSessionService::signedIn() << true << false;
    }
    void trayMenuFollowsSessionAndBusyState()
    {
        QFETCH(SessionState, state);
        QFETCH(bool, busy);
        QFETCH(bool, captureEnabled);
        TrayMenu menu(*h->controller, h->session, [] {});
        h->session.setState(state);
        if (busy) {
            h->capture.gate.close();
            h->controller->runCaptureFlow();
        }
        QTRY_COMPARE(menu.actionWithText(TrayMenu::startCaptureTitle)->isEnabled(), captureEnabled);
        QCOMPARE(menu.actionWithText(TrayMenu::signInHint) != nullptr, !state.isAuthenticated());
        for (const QString &title : {TrayMenu::openTitle, TrayMenu::settingsTitle, TrayMenu::quitTitle})
            QVERIFY2(menu.actionWithText(title)->isEnabled(), qPrintable(title));
        h->capture.gate.open();
        QTRY_VERIFY(!h->controller->isBusy());
    }

    void trayShowsPermissionHelpUntilAccessIsBack()
    {
        TrayMenu menu(*h->controller, h->session, [] {});
        h->capture.replies.append([]() -> CapturedSelection { throw CaptureError::screenRecordingPermissionDenied(); });
        QCoro::waitFor(h->controller->runCaptureFlow());
        QTRY_VERIFY(menu.actionWithText(ControllerTexts::permissionTitle));
        QAction *openSettings = menu.actionWithText(ControllerTexts::permissionActionTitle);
        QVERIFY(openSettings);
        openSettings->trigger();
        QCOMPARE(h->permission.openCount, 1);
        h->permission.granted = true;
        QCoro::waitFor(h->controller->refreshPermissions());
        QTRY_VERIFY(!menu.actionWithText(ControllerTexts::permissionTitle));
    }

    void trayActionsOpenTheMainWindow()
    {
        int opened = 0;
        TrayMenu menu(*h->controller, h->session, [&opened] { ++opened; });
        QSignalSpy quit(&menu, &TrayMenu::quitRequested);
        menu.actionWithText(TrayMenu::settingsTitle)->trigger();
        QCOMPARE(opened, 1);
        QVERIFY(h->controller->isShowingSettings());
        menu.actionWithText(TrayMenu::startCaptureTitle)->trigger();
        QCOMPARE(opened, 2);
        QCOMPARE(h->capture.calls, 0); // on the next turn, once the menu has closed
        QTRY_COMPARE(h->capture.calls, 1);
        menu.actionWithText(TrayMenu::quitTitle)->trigger();
        QCOMPARE(quit.size(), 1);
    }

    // --- a settings file that cannot be written ---

    void unwritableSettingsFileKeepsTheRecordedShortcutForTheSession()
    {
        // Below a regular file: no folder can be made there, not even by root.
        QSettingsKeyValueStore store(u"/dev/null/Orvanta/Orvanta.conf"_s);
        NotificationCenter notifications;
        DeveloperSettingsStore settings(store, &notifications);
        QSignalSpy posted(&notifications, &NotificationCenter::posted);
        RecorderWindow w(&notifications);
        connect(w.recorder, &ShortcutRecorderView::shortcutRecorded, &settings,
                &DeveloperSettingsStore::setCaptureHotKey);
        QVERIFY(showActive(w.window));
        QTest::mouseClick(w.recorder, Qt::LeftButton);
        QTest::keyClick(w.recorder, Qt::Key_K, Qt::ControlModifier | Qt::AltModifier);
        const CaptureHotKeyShortcut ctrlAltK{40, Flags::commandFlag | Flags::optionFlag};
        QCOMPARE(settings.captureHotKey(), ctrlAltK);
        QCOMPARE(announced(posted, SettingsNotifications::captureHotKeyDidChange).last().value<CaptureHotKeyShortcut>(),
                 ctrlAltK);
    }
};

QTEST_MAIN(DesktopViewsTest)
#include "tst_desktop_views.moc"
