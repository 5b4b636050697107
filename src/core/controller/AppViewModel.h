#pragma once

#include "auth/SessionState.h"
#include "library/RecentCaptureStore.h"
#include "models/AIAnswer.h"
#include "models/BuildStep.h"
#include "models/CaptureUnderstandingResult.h"
#include "models/CapturedSelection.h"
#include "models/ConversationTurn.h"
#include "models/PermissionGuidance.h"
#include "models/StoredPromptPreset.h"
#include "overlay/ResultOverlaySnapshot.h"
#include "presets/PromptPreset.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <optional>

class AIProvider;
class CaptureService;
class CaptureUnderstandingService;
class Clipboard;
class DeveloperSettingsStore;
class KeyValueStore;
class ResultOverlayPresenter;
class ScreenCapturePermission;
class SessionService;
class SettingsWindowPresenter;

namespace ControllerTexts {
inline const QString captureNotRestored = QStringLiteral("This saved capture could not be restored.");
inline const QString copiedToast = QStringLiteral("Copied to Clipboard");
inline const QString permissionTitle = QStringLiteral("Screen Recording Needed");
inline const QString permissionMessage =
    QStringLiteral("Open your desktop's privacy settings, allow Orvanta to capture the screen, then reopen the app "
                   "if your desktop asks for it.");
inline const QString permissionActionTitle = QStringLiteral("Open Settings");
} // namespace ControllerTexts

// The application's single controller: owns the flow capture -> understanding -> (on request)
// answer, keeps the state every view renders, and drives the answer panel. Main thread only.
class AppViewModel : public QObject
{
    Q_OBJECT
public:
    // The long-lived services, created by the composition root; none is owned here.
    struct Services
    {
        SessionService *sessionManager = nullptr;
        CaptureService *captureService = nullptr;
        CaptureUnderstandingService *captureUnderstandingService = nullptr;
        AIProvider *aiProvider = nullptr;
        RecentCaptureStore *recentCaptureStore = nullptr;
        ResultOverlayPresenter *overlayController = nullptr;
        ScreenCapturePermission *screenCapturePermission = nullptr;
        Clipboard *clipboard = nullptr;
        KeyValueStore *defaults = nullptr;
        DeveloperSettingsStore *settings = nullptr;
        SettingsWindowPresenter *settingsWindow = nullptr; // optional
    };

    static inline const QString presetOrderKey = QStringLiteral("orvanta.promptPreset.order");
    static constexpr int recentCaptureToastMilliseconds = 1300;

    explicit AppViewModel(const Services &services, QObject *parent = nullptr);

    // Observable state.
    DeveloperSettingsStore &settings() const { return *m_services.settings; }
    const std::optional<CapturedSelection> &capture() const { return m_capture; }
    const QList<RecentCaptureItem> &recentCaptures() const { return m_recentCaptures; }
    std::optional<QUuid> selectedRecentCaptureID() const { return m_selectedRecentCaptureID; }
    std::optional<RecentCaptureItem> selectedRecentCapture() const;
    const std::optional<CaptureUnderstandingResult> &captureUnderstanding() const { return m_captureUnderstanding; }
    const std::optional<OCRResult> &ocrResult() const { return m_ocrResult; }
    const std::optional<AIAnswer> &answer() const { return m_answer; }
    const QList<ConversationTurn> &conversationHistory() const { return m_conversationHistory; }
    std::optional<PromptPreset> activePreset() const { return m_activePreset; }
    const QList<PromptPreset> &presetOrder() const { return m_presetOrder; }
    const PromptPresetConfigurations &presetConfigurations() const { return m_presetConfigurations; }
    std::optional<PromptPreset> selectedPreset() const { return m_selectedPreset; }
    std::optional<PromptPreset> editingPreset() const { return m_editingPreset; }
    const QString &customQuestion() const { return m_customQuestion; }
    const std::optional<QString> &pendingQuestion() const { return m_pendingQuestion; }
    bool isBusy() const { return m_isBusy; }
    const std::optional<QString> &lastErrorMessage() const { return m_lastErrorMessage; }
    const std::optional<PermissionGuidance> &permissionGuidance() const { return m_permissionGuidance; }
    const std::optional<QString> &recentCaptureToastMessage() const { return m_recentCaptureToastMessage; }
    bool isShowingSettings() const { return m_isShowingSettings; }
    const QList<BuildStep> &buildSteps() const { return m_buildSteps; }
    SessionService &sessionManager() const { return *m_services.sessionManager; }

    void setCustomQuestion(const QString &text);
    void setShowingSettings(bool showing);

    // Capture, questions and ask-again. Failures end in lastErrorMessage, never escape.
    QCoro::Task<> runCaptureFlow();
    QCoro::Task<> askQuestion(PromptPreset preset);
    QCoro::Task<> askCustomQuestion(std::optional<QString> text = std::nullopt);
    QCoro::Task<> askAgain(RecentCaptureItem item);
    QCoro::Task<> handleAppLaunch();
    QCoro::Task<> refreshPermissions();
    void openPermissionSettings();
    void openStandaloneSettingsWindow();
    void handleSessionStateChange(const SessionState &state);

    // The answer panel.
    bool shouldDisplayOverlay() const { return m_capture.has_value(); }
    std::optional<ResultOverlaySnapshot> currentOverlaySnapshot() const;
    void refreshOverlayIfNeeded();
    void showOverlay();
    void refreshVisibleOverlayIfNeeded();

    // Quick actions.
    PromptPresetConfiguration presetConfiguration(PromptPreset preset) const;
    void selectPreset(PromptPreset preset);
    void beginEditingPreset(PromptPreset preset);
    void dismissPresetEditor();
    void previewPresetOrder(const QList<PromptPreset> &order);
    QCoro::Task<> savePresetOrder(QList<PromptPreset> order);
    QCoro::Task<> savePromptPreset(PromptPresetConfiguration configuration, PromptPreset preset);
    QCoro::Task<> resetAllPromptPresetsToDefault();
    QCoro::Task<> refreshPromptPresets();
    QList<StoredPromptPreset> serializedPromptPresets() const;
    void applyStoredPromptPresets(const QList<StoredPromptPreset> &stored);
    QList<PromptPreset> loadStoredPresetOrder() const;

    // The capture library.
    void refreshRecentCaptures(const QList<RecentCaptureItem> &items, std::optional<QUuid> selecting);
    void selectRecentCapture(const RecentCaptureItem &item);
    void copyRecentCapture(const RecentCaptureItem &item);
    void saveRecentCapture(const RecentCaptureItem &item);
    void showRecentCaptureToast(const QString &message);

Q_SIGNALS:
    // Any observable state changed; views re-render from the getters.
    void changed();

private:
    QCoro::Task<> runTask(std::function<QCoro::Task<>()> operation);
    QCoro::Task<> captureFlowBody();
    void recordCapture(const CapturedSelection &selection);
    QCoro::Task<> ask(QString question, std::optional<PromptPreset> preset);
    QCoro::Task<> askBody(QString question, std::optional<PromptPreset> preset, QString userID,
                          QList<ConversationTurn> history);
    QCoro::Task<> askAgainBody(CapturedSelection selection, QUuid itemID);
    QCoro::Task<> understand(CapturedSelection selection);
    QCoro::Task<> updatePresetsOptimistically(PromptPresetConfigurations configurations);
    static bool isStillSignedInAs(const QPointer<AppViewModel> &self, const QString &userID);
    void resetConversation();
    void copyCapturedSelectionToPasteboard(const CapturedSelection &selection);
    void forgetUnrestorableCapture(const RecentCaptureItem &item);
    void persistPresetOrder();
    std::optional<PermissionGuidance> makePermissionGuidance(const std::exception_ptr &error) const;
    ResultOverlayCallbacks overlayCallbacks();

    Services m_services;

    std::optional<CapturedSelection> m_capture;
    QList<RecentCaptureItem> m_recentCaptures;
    std::optional<QUuid> m_selectedRecentCaptureID;
    std::optional<CaptureUnderstandingResult> m_captureUnderstanding;
    std::optional<OCRResult> m_ocrResult;
    std::optional<AIAnswer> m_answer;
    QList<ConversationTurn> m_conversationHistory;
    std::optional<PromptPreset> m_activePreset;
    QList<PromptPreset> m_presetOrder;
    PromptPresetConfigurations m_presetConfigurations;
    std::optional<PromptPreset> m_selectedPreset;
    std::optional<PromptPreset> m_editingPreset;
    QString m_customQuestion;
    std::optional<QString> m_pendingQuestion;
    bool m_isBusy = false;
    std::optional<QString> m_lastErrorMessage;
    std::optional<PermissionGuidance> m_permissionGuidance;
    std::optional<QString> m_recentCaptureToastMessage;
    bool m_isShowingSettings = false;

    bool m_showsSelectionDecorationForCurrentOverlay = true;
    QTimer m_recentCaptureToastTimer;
    QList<BuildStep> m_buildSteps;
};
