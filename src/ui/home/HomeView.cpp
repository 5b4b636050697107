#include "HomeView.h"

#include "CaptureImageCache.h"
#include "QuickActionsSection.h"
#include "SelectedRegionCard.h"
#include "brand/BrandMark.h"
#include "clipboard/QtClipboard.h"
#include "controller/AppViewModel.h"
#include "preview/SelectedRegionImagePreviewController.h"
#include "savepanel/FileDialogSavePanel.h"
#include "settings/DeveloperSettingsStore.h"
#include "settings/SettingsView.h"
#include "settings/ShortcutRecorderView.h"
#include "theme/HomeButton.h"
#include "theme/HomeTheme.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {
using HomeTheme::card;
using HomeTheme::label;

QLabel *brandImage()
{
    auto *image = new QLabel;
    image->setPixmap(QPixmap::fromImage(BrandMark::appIconImage(56)));
    image->setFixedSize(56, 56);
    return image;
}
} // namespace

HomeView::HomeView(AppViewModel &viewModel, SessionService &session, NotificationCenter *notifications, QWidget *parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
    , m_session(session)
    , m_clipboard(std::make_unique<QtClipboard>())
    , m_savePanel(std::make_unique<FileDialogSavePanel>())
    , m_preview(std::make_unique<SelectedRegionImagePreviewController>(*m_clipboard, *m_savePanel))
    , m_images(new CaptureImageCache(this))
    , m_scrollArea(new QScrollArea)
    , m_startSelection(new HomeButton(HomeTheme::ButtonStyle::primaryAction, startSelectionTitle))
    , m_settingsButton(new HomeButton(HomeTheme::ButtonStyle::tintedHeader, settingsTitle))
    , m_recorder(new ShortcutRecorderView(notifications))
    , m_modifierWarning(label(modifierWarning, 12, QFont::Normal, true))
    , m_errorLine(label({}, 13))
    , m_permissionCard(card())
    , m_permissionTitle(label({}, 14, QFont::DemiBold))
    , m_permissionMessage(label({}, 13, QFont::Normal, true))
    , m_permissionAction(new QPushButton)
    , m_quickActions(new QuickActionsSection(viewModel))
    , m_selectedRegion(new SelectedRegionCard(viewModel, *m_images))
{
    setMinimumSize(minimumContentSize);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_scrollArea->setWidgetResizable(true);
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    m_scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    outer->addWidget(m_scrollArea);
    auto *column = new QWidget;
    m_scrollArea->setWidget(column);
    auto *layout = new QVBoxLayout(column);
    layout->setContentsMargins(28, 28, 28, 28);
    layout->setSpacing(24);

    // Summary header.
    auto *header = new QHBoxLayout;
    header->setSpacing(14);
    header->addWidget(brandImage());
    auto *titles = new QVBoxLayout;
    titles->setSpacing(2);
    titles->addWidget(label(QStringLiteral("Orvanta"), 24, QFont::Bold));
    titles->addWidget(label(QStringLiteral("Screenshot anything. Ask AI instantly."), 14));
    titles->addWidget(label(QStringLiteral("Built with OpenAI"), 12, QFont::Normal, true));
    header->addLayout(titles);
    header->addStretch();
    header->addWidget(m_settingsButton, 0, Qt::AlignTop);
    layout->addLayout(header);
    connect(m_settingsButton, &QPushButton::clicked, this, [this] { m_viewModel.setShowingSettings(true); });

    // Action header.
    QWidget *actions = card();
    auto *actionsLayout = new QVBoxLayout(actions);
    actionsLayout->setContentsMargins(22, 20, 22, 20);
    actionsLayout->setSpacing(12);
    auto *captureRow = new QHBoxLayout;
    auto *captureTitles = new QVBoxLayout;
    captureTitles->addWidget(label(QStringLiteral("Capture"), 12, QFont::DemiBold, true));
    captureTitles->addWidget(label(QStringLiteral("Capture any part of your screen"), 18, QFont::DemiBold));
    captureRow->addLayout(captureTitles);
    captureRow->addStretch();
    captureRow->addWidget(m_startSelection, 0, Qt::AlignVCenter);
    actionsLayout->addLayout(captureRow);
    connect(m_startSelection, &QPushButton::clicked, this, [this] {
        if (!m_viewModel.isBusy())
            m_viewModel.runCaptureFlow();
    });

    auto *shortcutRow = new QHBoxLayout;
    shortcutRow->setSpacing(12);
    shortcutRow->addWidget(label(QStringLiteral("Shortcut"), 13, QFont::Medium));
    m_recorder->setFixedSize(122, 32);
    shortcutRow->addWidget(m_recorder);
    shortcutRow->addWidget(label(QStringLiteral("Click to change"), 12, QFont::Normal, true));
    shortcutRow->addStretch();
    actionsLayout->addLayout(shortcutRow);
    m_modifierWarning->setWordWrap(true);
    actionsLayout->addWidget(m_modifierWarning);
    m_errorLine->setWordWrap(true);
    m_errorLine->setStyleSheet(QStringLiteral("color: #d9534f;"));
    actionsLayout->addWidget(m_errorLine);
    layout->addWidget(actions);

    DeveloperSettingsStore &settings = m_viewModel.settings();
    m_recorder->setShortcut(settings.captureHotKey());
    connect(m_recorder, &ShortcutRecorderView::shortcutRecorded, &settings, &DeveloperSettingsStore::setCaptureHotKey);
    connect(&settings, &DeveloperSettingsStore::captureHotKeyChanged, m_recorder, &ShortcutRecorderView::setShortcut);

    // Screen-capture help.
    auto *permissionLayout = new QVBoxLayout(m_permissionCard);
    permissionLayout->setContentsMargins(22, 18, 22, 18);
    permissionLayout->addWidget(m_permissionTitle);
    m_permissionMessage->setWordWrap(true);
    permissionLayout->addWidget(m_permissionMessage);
    auto *permissionButtons = new QHBoxLayout;
    permissionButtons->addWidget(m_permissionAction);
    auto *enabled = new QPushButton(QStringLiteral("I've Enabled It"));
    permissionButtons->addWidget(enabled);
    permissionButtons->addStretch();
    permissionLayout->addLayout(permissionButtons);
    layout->addWidget(m_permissionCard);
    connect(m_permissionAction, &QPushButton::clicked, this, [this] { m_viewModel.openPermissionSettings(); });
    connect(enabled, &QPushButton::clicked, this, [this] { m_viewModel.refreshPermissions(); });

    layout->addWidget(m_quickActions);
    layout->addWidget(m_selectedRegion);
    layout->addStretch();
    connect(m_selectedRegion, &SelectedRegionCard::previewRequested, this, [this](const RecentCaptureItem &item) {
        m_preview->present(item.previewImage.image(), item.sourceAppName, item.capturedAt);
    });

    render();
    connect(&m_viewModel, &AppViewModel::changed, this, &HomeView::render);
    connect(&settings, &DeveloperSettingsStore::captureHotKeyChanged, this, &HomeView::render);
}

HomeView::~HomeView() = default;

void HomeView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_hasAppeared)
        return;
    m_hasAppeared = true;
    m_viewModel.handleAppLaunch();
}

void HomeView::render()
{
    m_startSelection->setEnabled(!m_viewModel.isBusy());
    m_modifierWarning->setVisible(!m_viewModel.settings().captureHotKey().isValid());
    const std::optional<QString> &error = m_viewModel.lastErrorMessage();
    m_errorLine->setText(error.value_or(QString()));
    m_errorLine->setVisible(error && !error->isEmpty());
    const std::optional<PermissionGuidance> &guidance = m_viewModel.permissionGuidance();
    m_permissionCard->setVisible(guidance.has_value());
    if (guidance) {
        m_permissionTitle->setText(guidance->title);
        m_permissionMessage->setText(guidance->message);
        m_permissionAction->setText(guidance->actionTitle);
    }
    m_quickActions->render();
    m_selectedRegion->render();
    presentSettingsSheetIfNeeded();
}

void HomeView::presentSettingsSheetIfNeeded()
{
    if (!m_viewModel.isShowingSettings() || m_settingsSheet)
        return;
    auto *sheet = new QDialog(this);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->setWindowTitle(settingsTitle);
    sheet->setWindowModality(Qt::WindowModal);
    auto *view = new SettingsView(m_viewModel.settings(), m_session, sheet);
    auto *layout = new QVBoxLayout(sheet);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view);
    connect(view, &SettingsView::dismissRequested, sheet, &QDialog::accept);
    connect(view, &SettingsView::signOutRequested, this, &HomeView::signOutRequested);
    connect(sheet, &QDialog::finished, this, [this] { m_viewModel.setShowingSettings(false); });
    m_settingsSheet = sheet;
    sheet->open();
}
