#pragma once

#include <QDialog>
#include <QPointer>
#include <QWidget>

#include <memory>

class AppViewModel;
class CaptureImageCache;
class Clipboard;
class NotificationCenter;
class QLabel;
class QPushButton;
class QScrollArea;
class QuickActionsSection;
class SavePanel;
class SelectedRegionCard;
class SelectedRegionImagePreviewController;
class SessionService;
class ShortcutRecorderView;

// The signed-in main window: the summary and capture headers with the shortcut recorder and the
// screen-capture help, the quick actions, and the capture library (selected capture and strip),
// in one scrolling column; the settings sheet.
class HomeView : public QWidget
{
    Q_OBJECT
public:
    static inline const QString startSelectionTitle = QStringLiteral("Start Selection");
    static inline const QString settingsTitle = QStringLiteral("Settings");
    static inline const QString modifierWarning =
        QStringLiteral("Use at least one modifier key so the global shortcut does not conflict with normal typing.");
    static constexpr QSize minimumContentSize{960, 640};

    HomeView(AppViewModel &viewModel, SessionService &session, NotificationCenter *notifications,
             QWidget *parent = nullptr);
    ~HomeView() override;

    QPushButton *startSelectionButton() const { return m_startSelection; }
    QPushButton *settingsButton() const { return m_settingsButton; }
    ShortcutRecorderView *recorder() const { return m_recorder; }
    QDialog *settingsSheet() const { return m_settingsSheet; }
    QuickActionsSection *quickActions() const { return m_quickActions; }
    SelectedRegionCard *selectedRegionCard() const { return m_selectedRegion; }
    SelectedRegionImagePreviewController &previewController() const { return *m_preview; }
    CaptureImageCache &imageCache() const { return *m_images; }
    QScrollArea *scrollArea() const { return m_scrollArea; }

Q_SIGNALS:
    void signOutRequested();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void render();
    void presentSettingsSheetIfNeeded();

    AppViewModel &m_viewModel;
    SessionService &m_session;
    std::unique_ptr<Clipboard> m_clipboard;
    std::unique_ptr<SavePanel> m_savePanel;
    std::unique_ptr<SelectedRegionImagePreviewController> m_preview;
    CaptureImageCache *m_images;
    QScrollArea *m_scrollArea;
    QPushButton *m_startSelection;
    QPushButton *m_settingsButton;
    ShortcutRecorderView *m_recorder;
    QLabel *m_modifierWarning;
    QLabel *m_errorLine;
    QWidget *m_permissionCard;
    QLabel *m_permissionTitle;
    QLabel *m_permissionMessage;
    QPushButton *m_permissionAction;
    QuickActionsSection *m_quickActions;
    SelectedRegionCard *m_selectedRegion;
    QPointer<QDialog> m_settingsSheet;
    bool m_hasAppeared = false;
};
