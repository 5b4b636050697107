#pragma once

#include <QObject>
#include <QUrl>

#include <functional>
#include <memory>

class AppDelegate;
class AppRootView;
class AppViewModel;
class AppearanceController;
class BrowserWebAuthenticationSession;
class DesktopColorScheme;
class DeveloperSettingsStore;
class GlobalHotKeyManager;
class NotificationCenter;
class OCRService;
class OpenAIProvider;
class PaddleCaptureUnderstandingService;
class QNetworkAccessManager;
class QSettingsKeyValueStore;
class QtClipboard;
class ResultOverlayPanelController;
class FileDialogSavePanel;
class RecentCaptureStore;
class ScreenCapturePermission;
class ScreenSelectionCaptureService;
class SessionManager;
class SettingsWindowController;
class SingleInstanceChannel;
class TrayIcon;
class TrayMenu;

// The composition root: builds every long-lived object once, in start-up order, and wires them.
// Nothing else in the application holds global state.
class OrvantaApplication : public QObject
{
    Q_OBJECT
public:
    // The channel is already listening: this process is the first instance.
    explicit OrvantaApplication(SingleInstanceChannel &channel, QObject *parent = nullptr);
    ~OrvantaApplication() override;

    // Registers the shortcut, then shows the main window unless told not to.
    void start(bool showMainWindow = true);
    // What the shortcut does, on the next turn of the event loop.
    void startCapture();
    AppRootView &mainWindow() const { return *m_rootView; }

private:
    void terminate();

    SingleInstanceChannel &m_channel;
    std::function<void()> m_captureHandler;
    std::unique_ptr<QSettingsKeyValueStore> m_defaults;
    std::unique_ptr<NotificationCenter> m_notifications;
    std::unique_ptr<DeveloperSettingsStore> m_settings;
    std::unique_ptr<QNetworkAccessManager> m_network;
    std::unique_ptr<BrowserWebAuthenticationSession> m_webSession;
    std::unique_ptr<SessionManager> m_sessionManager;
    std::unique_ptr<QtClipboard> m_clipboard;
    std::unique_ptr<FileDialogSavePanel> m_savePanel;
    std::unique_ptr<RecentCaptureStore> m_recentCaptureStore;
    std::unique_ptr<ScreenSelectionCaptureService> m_captureService;
    std::unique_ptr<OCRService> m_ocrService;
    std::unique_ptr<PaddleCaptureUnderstandingService> m_understandingService;
    std::unique_ptr<OpenAIProvider> m_aiProvider;
    std::unique_ptr<DesktopColorScheme> m_desktopScheme;
    std::unique_ptr<AppearanceController> m_appearance;
    std::unique_ptr<ResultOverlayPanelController> m_answerPanel;
    std::unique_ptr<ScreenCapturePermission> m_permission;
    std::unique_ptr<SettingsWindowController> m_settingsWindow;
    std::unique_ptr<AppViewModel> m_viewModel;
    std::unique_ptr<GlobalHotKeyManager> m_hotKeyManager;
    std::unique_ptr<AppDelegate> m_appDelegate;
    std::unique_ptr<AppRootView> m_rootView;
    std::unique_ptr<TrayMenu> m_trayMenu;
    std::unique_ptr<TrayIcon> m_trayIcon;
};
