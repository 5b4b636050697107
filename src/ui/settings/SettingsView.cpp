#include "SettingsView.h"

#include "auth/SessionService.h"
#include "settings/DeveloperSettingsStore.h"
#include "theme/RoundedPanel.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace {
QLabel *sectionTitle(const QString &text)
{
    auto *label = new QLabel(text);
    QFont font = label->font();
    font.setPixelSize(13);
    font.setWeight(QFont::DemiBold);
    label->setFont(font);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

QWidget *sectionBox(QVBoxLayout *&rows)
{
    auto *box = new RoundedPanel(10);
    rows = new QVBoxLayout(box);
    rows->setContentsMargins(16, 12, 16, 12);
    rows->setSpacing(10);
    return box;
}

QWidget *row(const QString &title, const QString &value)
{
    auto *widget = new QWidget;
    auto *layout = new QHBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(title));
    layout->addStretch();
    auto *valueLabel = new QLabel(value);
    valueLabel->setForegroundRole(QPalette::PlaceholderText);
    valueLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(valueLabel);
    return widget;
}
} // namespace

QString SettingsView::providerName(AuthProvider provider)
{
    switch (provider) {
    case AuthProvider::apple:
        return QStringLiteral("Apple");
    case AuthProvider::developer:
        return QStringLiteral("Developer");
    case AuthProvider::google:
        break;
    }
    return QStringLiteral("Google");
}

SettingsView::SettingsView(DeveloperSettingsStore &settings, SessionService &session, QWidget *parent)
    : QWidget(parent)
    , m_settings(settings)
    , m_session(session)
{
    setMinimumSize(520, 420);
    setFocusPolicy(Qt::StrongFocus);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 24, 28, 24);
    layout->setSpacing(10);

    auto *heading = new QLabel(QStringLiteral("Settings"));
    QFont headingFont = heading->font();
    headingFont.setPixelSize(24);
    headingFont.setWeight(QFont::Bold);
    heading->setFont(headingFont);
    layout->addWidget(heading);
    layout->addSpacing(8);

    layout->addWidget(sectionTitle(QStringLiteral("Account")));
    layout->addWidget(sectionBox(m_accountRows));
    layout->addSpacing(8);

    QVBoxLayout *generalRows = nullptr;
    layout->addWidget(sectionTitle(QStringLiteral("General")));
    layout->addWidget(sectionBox(generalRows));
    m_startAtLogin = new QCheckBox(startAtLoginTitle);
    m_startAtLogin->setAccessibleName(startAtLoginTitle);
    m_startAtLogin->setChecked(m_autostart.isEnabled());
    connect(m_startAtLogin, &QCheckBox::toggled, this, &SettingsView::setStartAtLogin);
    generalRows->addWidget(m_startAtLogin);
    m_autostartError = new QLabel;
    m_autostartError->setWordWrap(true);
    m_autostartError->setTextFormat(Qt::PlainText);
    m_autostartError->hide();
    generalRows->addWidget(m_autostartError);
    auto *hint = new QLabel(captureCommandHint);
    hint->setWordWrap(true);
    hint->setForegroundRole(QPalette::PlaceholderText);
    hint->setTextInteractionFlags(Qt::TextSelectableByMouse);
    generalRows->addWidget(hint);
    layout->addSpacing(8);

    QVBoxLayout *aboutRows = nullptr;
    layout->addWidget(sectionTitle(QStringLiteral("About")));
    layout->addWidget(sectionBox(aboutRows));
    const QString version = QCoreApplication::applicationVersion();
    aboutRows->addWidget(row(QStringLiteral("Version"), version.isEmpty() ? unknownVersion : version));

    layout->addStretch();
    auto *doneButton = new QPushButton(QStringLiteral("Done"));
    doneButton->setObjectName(QStringLiteral("settingsDoneButton"));
    doneButton->setCursor(Qt::PointingHandCursor);
    doneButton->setStyleSheet(
        QStringLiteral("#settingsDoneButton { font-size: 13px; padding: 6px 18px; border: none; border-radius: 8px;"
                       " color: palette(highlighted-text); background: palette(highlight); }"
                       "#settingsDoneButton:hover { background: palette(link); }"
                       "#settingsDoneButton:pressed { background: palette(dark); }"));
    connect(doneButton, &QPushButton::clicked, this, &SettingsView::done);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(doneButton);
    layout->addLayout(buttons);

    rebuildAccountSection();
    connect(&m_session, &SessionService::sessionStateChanged, this, &SettingsView::rebuildAccountSection);
}

void SettingsView::rebuildAccountSection()
{
    // Later: the Sign Out button being replaced may be the one whose click got us here.
    while (QLayoutItem *item = m_accountRows->takeAt(0)) {
        if (QWidget *widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        delete item;
    }
    const SessionState state = m_session.sessionState();
    if (!state.isAuthenticated()) {
        m_accountRows->addWidget(new QLabel(QStringLiteral("Authentication required")));
        return;
    }
    const UserSession &session = *state.session;
    m_accountRows->addWidget(row(QStringLiteral("Sign-in method"), providerName(session.provider)));
    if (session.email)
        m_accountRows->addWidget(row(QStringLiteral("Email"), *session.email));
    auto *signOut = new QPushButton(QStringLiteral("Sign Out"));
    connect(signOut, &QPushButton::clicked, this, [this] {
        Q_EMIT signOutRequested();
        Q_EMIT dismissRequested();
    });
    auto *trailing = new QHBoxLayout;
    trailing->addStretch();
    trailing->addWidget(signOut);
    auto *holder = new QWidget;
    holder->setLayout(trailing);
    trailing->setContentsMargins(0, 0, 0, 0);
    m_accountRows->addWidget(holder);
}

void SettingsView::setStartAtLogin(bool enabled)
{
    const std::optional<QString> failure = m_autostart.setEnabled(enabled);
    m_autostartError->setText(failure.value_or(QString()));
    m_autostartError->setVisible(failure.has_value());
    if (failure) {
        const QSignalBlocker blocker(m_startAtLogin);
        m_startAtLogin->setChecked(!enabled);
    }
}

void SettingsView::done()
{
    m_settings.persistPreferences();
    Q_EMIT dismissRequested();
}

void SettingsView::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        done();
        return;
    }
    QWidget::keyPressEvent(event);
}
