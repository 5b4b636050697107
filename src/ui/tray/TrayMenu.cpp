#include "TrayMenu.h"

#include "auth/SessionService.h"
#include "controller/AppViewModel.h"
#include "settings/DeveloperSettingsStore.h"

#include <QFontMetrics>
#include <QPointer>
#include <QTimer>

namespace {
// A caption: text that cannot be clicked, as disabled actions rather than a widget, so menus
// exported over D-Bus (StatusNotifierItem panels) show it as text too. A menu item does not wrap,
// so the text is broken into lines that fit the menu; the first carries the whole text as its data.
void addCaption(QMenu &menu, const QString &text)
{
    const QFontMetrics metrics(menu.font());
    const int available = TrayMenu::menuWidth - 2 * TrayMenu::captionInset;
    QStringList lines;
    for (const QString &word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!lines.isEmpty() && metrics.horizontalAdvance(lines.last() + QLatin1Char(' ') + word) <= available)
            lines.last() += QLatin1Char(' ') + word;
        else
            lines.append(word);
    }
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QAction *line = menu.addAction(lines.at(i));
        line->setEnabled(false);
        if (i == 0)
            line->setData(text);
    }
}
} // namespace

TrayMenu::TrayMenu(AppViewModel &viewModel, SessionService &session, std::function<void()> openMainWindow,
                   QWidget *parent)
    : QMenu(parent)
    , m_viewModel(viewModel)
    , m_session(session)
    , m_openMainWindow(std::move(openMainWindow))
{
    setFixedWidth(menuWidth);
    rebuild();
    connect(&m_viewModel, &AppViewModel::changed, this, &TrayMenu::rebuild);
    connect(&m_viewModel.settings(), &DeveloperSettingsStore::captureHotKeyChanged, this, &TrayMenu::rebuild);
    connect(&m_session, &SessionService::sessionStateChanged, this, &TrayMenu::rebuild);
}

QAction *TrayMenu::actionWithText(const QString &text) const
{
    const QList<QAction *> all = actions();
    for (QAction *action : all) {
        if (action->text() == text || action->data().toString() == text)
            return action;
    }
    return nullptr;
}

void TrayMenu::setCaptureHotKeyAvailable(bool available)
{
    m_isCaptureHotKeyAvailable = available;
    rebuild();
}

void TrayMenu::rebuild()
{
    // Every item depends on the state and there are few: build them afresh.
    clear();
    const bool signedIn = m_session.sessionState().isAuthenticated();

    QAction *capture = addAction(QIcon::fromTheme(QStringLiteral("edit-select")), startCaptureTitle);
    capture->setEnabled(signedIn && !m_viewModel.isBusy());
    connect(capture, &QAction::triggered, this, &TrayMenu::startCapture);

    QAction *open = addAction(QIcon::fromTheme(QStringLiteral("window-new")), openTitle);
    connect(open, &QAction::triggered, this, [this] { m_openMainWindow(); });

    QAction *settings = addAction(QIcon::fromTheme(QStringLiteral("preferences-system")), settingsTitle);
    connect(settings, &QAction::triggered, this, [this] {
        m_openMainWindow();
        m_viewModel.setShowingSettings(true);
    });

    if (!signedIn) {
        addSeparator();
        addCaption(*this, signInHint);
    }

    addSeparator();
    addCaption(*this, m_isCaptureHotKeyAvailable
                          ? shortcutCaptionPrefix + m_viewModel.settings().captureHotKey().spacedDisplayString()
                          : captureCommandCaption);

    if (const std::optional<PermissionGuidance> &guidance = m_viewModel.permissionGuidance()) {
        addSeparator();
        addCaption(*this, guidance->title);
        addCaption(*this, guidance->message);
        QAction *openSettings = addAction(guidance->actionTitle);
        connect(openSettings, &QAction::triggered, this, [this] { m_viewModel.openPermissionSettings(); });
    }

    addSeparator();
    QAction *quit = addAction(QIcon::fromTheme(QStringLiteral("application-exit")), quitTitle);
    connect(quit, &QAction::triggered, this, &TrayMenu::quitRequested);
}

void TrayMenu::startCapture()
{
    m_openMainWindow();
    // On the next turn, so the menu has closed before the screen is frozen.
    const QPointer<AppViewModel> viewModel(&m_viewModel);
    QTimer::singleShot(0, this, [viewModel] {
        if (viewModel && !viewModel->isBusy())
            viewModel->runCaptureFlow();
    });
}
