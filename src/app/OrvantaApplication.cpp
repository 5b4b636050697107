#include "OrvantaApplication.h"

#include "app/AppDelegate.h"
#include "app/CaptureHandler.h"
#include "auth/AppRootView.h"
#include "auth/BrowserWebAuthenticationSession.h"
#include "auth/SessionManager.h"
#include "auth/SingleInstanceChannel.h"
#include "capture/ScreenSelectionCaptureService.h"
#include "capture/ScreenSnapshotSourceFactory.h"
#include "clipboard/QtClipboard.h"
#include "controller/AppViewModel.h"
#include "desktop/DesktopColorScheme.h"
#include "hosted/OpenAIProvider.h"
#include "hotkey/GlobalHotKeyManagerFactory.h"
#include "library/RecentCaptureStore.h"
#include "ocr/TesseractOCRService.h"
#include "panel/ResultOverlayPanelController.h"
#include "savepanel/FileDialogSavePanel.h"
#include "settings/DeveloperSettingsStore.h"
#include "settings/NotificationCenter.h"
#include "settings/QSettingsKeyValueStore.h"
#include "settings/SettingsWindowController.h"
#include "theme/AppearanceController.h"
#include "tray/TrayIcon.h"
#include "tray/TrayMenu.h"
#include "understanding/PaddleCaptureUnderstandingService.h"

#include <QApplication>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QTimer>

OrvantaApplication::OrvantaApplication(SingleInstanceChannel &channel, QObject *parent)
    : QObject(parent)
    , m_channel(channel)
    , m_defaults(std::make_unique<QSettingsKeyValueStore>())
    , m_notifications(std::make_unique<NotificationCenter>())
    , m_settings(std::make_unique<DeveloperSettingsStore>(*m_defaults, m_notifications.get()))
    , m_network(std::make_unique<QNetworkAccessManager>())
    , m_webSession(std::make_unique<BrowserWebAuthenticationSession>(channel))
    // Restores the stored session before the first window exists, so a signed-in user never
    // sees the sign-in screen.
    , m_sessionManager(std::make_unique<SessionManager>(*m_defaults, *m_network, *m_webSession))
    , m_clipboard(std::make_unique<QtClipboard>())
    , m_savePanel(std::make_unique<FileDialogSavePanel>())
    , m_recentCaptureStore(std::make_unique<RecentCaptureStore>(RecentCaptureStore::defaultDirectory(),
                                                                m_clipboard.get(), m_savePanel.get()))
    , m_captureService(std::make_unique<ScreenSelectionCaptureService>(makeScreenSnapshotSource()))
    , m_ocrService(std::make_unique<TesseractOCRService>())
    , m_understandingService(PaddleCaptureUnderstandingService::createShipped(m_ocrService.get()))
    , m_aiProvider(std::make_unique<OpenAIProvider>(*m_network))
    , m_desktopScheme(std::make_unique<DesktopColorScheme>())
    , m_appearance(std::make_unique<AppearanceController>(*m_settings, m_desktopScheme.get()))
    , m_answerPanel(std::make_unique<ResultOverlayPanelController>(m_appearance.get()))
    , m_permission(makeScreenCapturePermission())
    , m_settingsWindow(std::make_unique<SettingsWindowController>(*m_settings, *m_sessionManager))
{
    AppViewModel::Services services;
    services.sessionManager = m_sessionManager.get();
    services.captureService = m_captureService.get();
    services.captureUnderstandingService = m_understandingService.get();
    services.aiProvider = m_aiProvider.get();
    services.recentCaptureStore = m_recentCaptureStore.get();
    services.overlayController = m_answerPanel.get();
    services.screenCapturePermission = m_permission.get();
    services.clipboard = m_clipboard.get();
    services.defaults = m_defaults.get();
    services.settings = m_settings.get();
    services.settingsWindow = m_settingsWindow.get();
    m_viewModel = std::make_unique<AppViewModel>(services);
    // At mouse-up the border and the glow start over the region before the capture is cut.
    const QPointer<ResultOverlayPanelController> panel(m_answerPanel.get());
    m_captureService->setSelectionBridge(
        [panel](const QRectF &rect, std::optional<QRectF> displayFrame, const QImage &background) {
            if (panel)
                panel->beginSelectionBridge(rect, displayFrame, background);
        });

    m_hotKeyManager = GlobalHotKeyManagerFactory::create();
    m_appDelegate = std::make_unique<AppDelegate>(*m_hotKeyManager, *m_defaults, *m_notifications);

    m_rootView = std::make_unique<AppRootView>(*m_sessionManager, *m_viewModel, m_notifications.get());
    m_rootView->setAuthErrorMessage(m_sessionManager->authErrorMessage());

    SessionManager *session = m_sessionManager.get();
    AppRootView *root = m_rootView.get();
    connect(session, &SessionManager::authErrorMessageChanged, root, &AppRootView::setAuthErrorMessage);
    connect(root, &AppRootView::signInRequested, session, &SessionManager::startGoogleSignIn);
    connect(root, &AppRootView::signInCancelRequested, session, &SessionManager::cancelGoogleSignIn);
    connect(root, &AppRootView::signOutRequested, session, &SessionManager::signOut);
    connect(m_settingsWindow.get(), &SettingsWindowController::signOutRequested, session, &SessionManager::signOut);
    // A second launch, or the browser's callback, brings the running window forward.
    connect(&m_channel, &SingleInstanceChannel::activationRequested, root, &AppRootView::bringToFront);
    connect(&m_channel, &SingleInstanceChannel::urlReceived, root, &AppRootView::bringToFront);

    const QPointer<AppRootView> window(root);
    const auto bringToFront = [window] {
        if (window)
            window->bringToFront();
    };
    m_trayMenu = std::make_unique<TrayMenu>(*m_viewModel, *m_sessionManager, bringToFront);
    connect(m_trayMenu.get(), &TrayMenu::quitRequested, qApp, &QCoreApplication::quit);
    connect(m_appDelegate.get(), &AppDelegate::captureHotKeyAvailabilityChanged, m_trayMenu.get(),
            &TrayMenu::setCaptureHotKeyAvailable);
    m_trayIcon = std::make_unique<TrayIcon>(*m_trayMenu, m_appearance->systemPalette());
    m_trayIcon->setDesktopPrefersDark(m_desktopScheme->prefersDark());
    connect(m_desktopScheme.get(), &DesktopColorScheme::changed, m_trayIcon.get(),
            [this] { m_trayIcon->setDesktopPrefersDark(m_desktopScheme->prefersDark()); });
    connect(m_trayIcon.get(), &TrayIcon::activated, root, &AppRootView::bringToFront);

    m_captureHandler = makeCaptureHandler(*m_viewModel, *m_sessionManager, bringToFront);
    m_appDelegate->setCaptureHandler(m_captureHandler);
    connect(&m_channel, &SingleInstanceChannel::captureRequested, this, &OrvantaApplication::startCapture);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &OrvantaApplication::terminate);
}

OrvantaApplication::~OrvantaApplication()
{
    terminate();
}

void OrvantaApplication::start(bool showMainWindow)
{
    m_appDelegate->applicationDidFinishLaunching();
    if (showMainWindow)
        m_rootView->bringToFront();
    // The recogniser and the layout bridge load once start-up is over, on threads and in a process
    // of their own, so captures find them warm.
    QTimer::singleShot(std::chrono::seconds(3), this, [this] {
        m_ocrService->warmUpInBackground();
        m_understandingService->prepareBridge(true);
    });
}

void OrvantaApplication::startCapture()
{
    QTimer::singleShot(0, this, [this] { m_captureHandler(); });
}

void OrvantaApplication::terminate()
{
    if (m_appDelegate)
        m_appDelegate->applicationWillTerminate();
}
