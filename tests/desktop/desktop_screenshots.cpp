// orvanta-desktop-screenshots DIR: renders the sign-in screen, the signed-in main window, the
// tray menu and the settings window (light and dark) into DIR as PNG files, for looking at them
// and for the README. Runs on any Qt platform; under Xvfb it uses real X windows.
#include "ControllerHarness.h"
#include "TemporaryHome.h"
#include "WidgetProbes.h"
#include "auth/AppRootView.h"
#include "settings/SettingsView.h"
#include "settings/SettingsWindowController.h"
#include "theme/AppearanceController.h"
#include "tray/TrayMenu.h"

#include <QApplication>
#include <QDir>

#include <cstdio>

namespace {
UserSession developerSession()
{
    UserSession session = *FakeSessionService::signedIn().session;
    session.email = QStringLiteral("dev.user@orvanta.test");
    return session;
}
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral(ORVANTA_VERSION));
    if (argc < 2) {
        std::fprintf(stderr, "usage: orvanta-desktop-screenshots DIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    out.mkpath(QStringLiteral("."));
    TemporaryHome home;
    ControllerHarness h(home.path() + QStringLiteral("/library"));
    AppearanceController appearance(h.settings);
    bool ok = true;

    h.session.setState(SessionState::signedOut());
    AppRootView root(h.session, *h.controller, &h.notifications);
    root.bringToFront();
    if (!QTest::qWaitForWindowExposed(&root))
        return 1;
    ok &= saveScreenshot(root, out.filePath(QStringLiteral("sign-in.png")));
    h.session.setState(SessionState::authenticating(AuthProvider::google));
    ok &= saveScreenshot(root, out.filePath(QStringLiteral("sign-in-waiting.png")));

    h.session.setState(SessionState::authenticated(developerSession()));
    root.resize(960, 640);
    ok &= saveScreenshot(root, out.filePath(QStringLiteral("main-window.png")));

    TrayMenu menu(*h.controller, h.session, [] {});
    menu.popup(QPoint(40, 40));
    ok &= saveScreenshot(menu, out.filePath(QStringLiteral("tray-menu.png")));
    menu.hide();

    SettingsWindowController settings(h.settings, h.session);
    settings.openStandaloneSettingsWindow();
    ok &= saveScreenshot(*settings.window(), out.filePath(QStringLiteral("settings.png")));
    h.settings.setThemePreference(AppThemePreference::dark);
    ok &= saveScreenshot(*settings.window(), out.filePath(QStringLiteral("settings-dark.png")));
    ok &= saveScreenshot(root, out.filePath(QStringLiteral("main-window-dark.png")));
    return ok ? 0 : 1;
}
