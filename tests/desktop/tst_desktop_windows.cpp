#include "ControllerHarness.h"
#include "TemporaryHome.h"
#include "WidgetProbes.h"
#include "auth/AppRootView.h"
#include "auth/AuthScreen.h"
#include "auth/GoogleSignInButton.h"
#include "home/HomeView.h"
#include "settings/SettingsWindowController.h"
#include "settings/ShortcutRecorderView.h"
#include "x11/X11KeySymbols.h"

#include <QApplication>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>

Q_DECLARE_METATYPE(std::optional<QString>)

class DesktopWindowsTest : public QObject
{
    Q_OBJECT
private:
    TemporaryHome m_home;
    std::unique_ptr<ControllerHarness> h;
    std::unique_ptr<AppRootView> m_root;
    int m_run = 0;

    AppRootView &showRoot(const SessionState &state)
    {
        h->session.setState(state);
        m_root = std::make_unique<AppRootView>(h->session, *h->controller, &h->notifications);
        m_root->bringToFront();
        return *m_root;
    }

private Q_SLOTS:
    void init() { h = std::make_unique<ControllerHarness>(m_home.path() + QStringLiteral("/library-%1").arg(++m_run)); }
    void cleanup()
    {
        m_root.reset();
        h.reset();
    }

    void signInWindowKeepsTheSizeTheUserGaveIt()
    {
        AppRootView &root = showRoot(SessionState::signedOut());
        QVERIFY(QTest::qWaitForWindowExposed(&root));
        QCOMPARE(root.currentContent(), root.authScreen());
        QTRY_COMPARE(root.size(), QSize(560, 620));

        // The user makes the window larger; a later update (an error line) keeps that size.
        root.resize(700, 700);
        QTRY_COMPARE(root.size(), QSize(700, 700));
        root.setAuthErrorMessage(QStringLiteral("Unable to start Google sign-in."));
        QTRY_VERIFY(root.authScreen()->errorLabel()->isVisible());
        QTest::qWait(50);
        QCOMPARE(root.size(), QSize(700, 700));
    }

    void errorLineShowsOnlyARealMessage_data()
    {
        QTest::addColumn<std::optional<QString>>("message");
        QTest::addColumn<bool>("shown");
        QTest::newRow("none") << std::optional<QString>() << false;
        QTest::newRow("empty") << std::optional(QString()) << false;
        QTest::newRow("message") << std::optional(QStringLiteral("The sign-in was refused.")) << true;
        QTest::newRow("markup from the callback, shown as text")
            << std::optional(QStringLiteral("<b>Refused</b> <a href=\"https://x.example\">retry</a>")) << true;
    }
    void errorLineShowsOnlyARealMessage()
    {
        QFETCH(std::optional<QString>, message);
        QFETCH(bool, shown);
        AppRootView &root = showRoot(SessionState::signedOut());
        root.setAuthErrorMessage(message);
        QCOMPARE(root.authScreen()->errorLabel()->isVisibleTo(&root), shown);
        if (shown) {
            QCOMPARE(root.authScreen()->errorLabel()->text(), *message);
            QCOMPARE(root.authScreen()->errorLabel()->textFormat(), Qt::PlainText);
        }
    }

    void rootViewFollowsTheSessionState()
    {
        AppRootView &root = showRoot(SessionState::restoring());
        QVERIFY(root.currentContent() != root.authScreen());
        QVERIFY(!root.homeView());

        h->session.setState(SessionState::authenticating(AuthProvider::google));
        QCOMPARE(root.currentContent(), root.authScreen());
        AuthScreen *screen = root.authScreen();
        QVERIFY(!screen->signInButton()->isEnabled());
        QVERIFY(screen->cancelButton()->isVisible());
        QVERIFY(screen->waitingLabel()->isVisible());
        QSignalSpy cancel(&root, &AppRootView::signInCancelRequested);
        QTest::mouseClick(screen->cancelButton(), Qt::LeftButton);
        QCOMPARE(cancel.size(), 1);

        h->session.setState(SessionState::signedOut());
        QVERIFY(screen->signInButton()->isEnabled());
        QVERIFY(!screen->cancelButton()->isVisible());
        QSignalSpy signIn(&root, &AppRootView::signInRequested);
        QTest::mouseClick(screen->signInButton(), Qt::LeftButton);
        QCOMPARE(signIn.size(), 1);

        h->session.setState(FakeSessionService::signedIn());
        QVERIFY(root.homeView());
        QCOMPARE(root.currentContent(), root.homeView());

        // Signing out brings the sign-in screen back.
        h->session.setState(SessionState::signedOut());
        QCOMPARE(root.currentContent(), root.authScreen());
    }

    void homeViewStartsCapturesAndOpensTheSettingsSheet()
    {
        AppRootView &root = showRoot(FakeSessionService::signedIn());
        HomeView *home = root.homeView();
        QVERIFY(home);

        h->capture.gate.close();
        QTest::mouseClick(home->startSelectionButton(), Qt::LeftButton);
        QCOMPARE(h->capture.calls, 1);
        QTRY_VERIFY(!home->startSelectionButton()->isEnabled());
        home->startSelectionButton()->click(); // disabled while busy: no second capture
        QCOMPARE(h->capture.calls, 1);
        h->capture.gate.open();
        QTRY_VERIFY(home->startSelectionButton()->isEnabled());

        QTest::mouseClick(home->settingsButton(), Qt::LeftButton);
        QTRY_VERIFY(home->settingsSheet() && home->settingsSheet()->isVisible());
        QVERIFY(h->controller->isShowingSettings());
        home->settingsSheet()->findChild<QPushButton *>(QStringLiteral("settingsDoneButton"))->click();
        QTRY_VERIFY(!h->controller->isShowingSettings());
        QTRY_VERIFY(!home->settingsSheet());
    }

    void homeWarnsAboutAShortcutWithoutModifiers()
    {
        AppRootView &root = showRoot(FakeSessionService::signedIn());
        QVERIFY(!labelTexts(*root.homeView()).contains(HomeView::modifierWarning));
        h->settings.setCaptureHotKey({0, 0});
        QTRY_VERIFY(labelTexts(*root.homeView()).contains(HomeView::modifierWarning));
    }

    void shiftedDigitsRecordTheDigitKey()
    {
        // The X key code of "1", found through its first-level key symbol.
        quint32 keyOne = 0;
        for (quint32 code = 8; code < 256 && !keyOne; ++code) {
            if (unshiftedQtKey(code) == Qt::Key_1)
                keyOne = code;
        }
        QVERIFY(keyOne);
        QWidget window;
        auto *recorder = new ShortcutRecorderView(&h->notifications, &window);
        QVERIFY(showActive(window));
        QTest::mouseClick(recorder, Qt::LeftButton);
        QVERIFY(recorder->isRecording());
        // What X reports for Ctrl+Shift+1: the shifted character.
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Exclam, Qt::ControlModifier | Qt::ShiftModifier, keyOne, 0x21, 0,
                        QStringLiteral("!"));
        QApplication::sendEvent(recorder, &press);
        const CaptureHotKeyShortcut expected{*CaptureHotKeyShortcut::keyCodeForQtKey(Qt::Key_1),
                                             CaptureHotKeyShortcut::commandFlag | CaptureHotKeyShortcut::shiftFlag};
        QCOMPARE(recorder->shortcut(), expected);
    }

    void settingsWindowIsReusedAndRestored()
    {
        SettingsWindowController settings(h->settings, h->session);
        settings.openStandaloneSettingsWindow();
        QWidget *window = settings.window();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        window->showMinimized();
        QTRY_VERIFY(window->isMinimized());
        settings.openStandaloneSettingsWindow();
        QCOMPARE(settings.window(), window);
        QTRY_VERIFY(!window->isMinimized() && window->isVisible());

        window->close();
        QTRY_VERIFY(!settings.window());
        settings.openStandaloneSettingsWindow();
        QVERIFY(settings.window());
    }
};

QTEST_MAIN(DesktopWindowsTest)
#include "tst_desktop_windows.moc"
