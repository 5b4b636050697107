#include "ErrorStateView.h"

#include "PanelCard.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

ErrorStateView::ErrorStateView(QWidget *parent)
    : QWidget(parent)
    , m_message(makePanelLabel({}, 13, QFont::Normal, true))
    , m_permissionCard(new PanelCard(PanelCard::Fill::card, 14))
    , m_permissionTitle(makePanelLabel({}, 13, QFont::DemiBold, false))
    , m_permissionMessage(makePanelLabel({}, 13, QFont::Normal, true))
    , m_permissionAction(makePanelActionButton())
{
    auto *placeholder = new PanelCard(PanelCard::Fill::placeholder, 20);
    auto *placeholderLayout = new QVBoxLayout(placeholder);
    placeholderLayout->setContentsMargins(18, 18, 18, 18);
    placeholderLayout->setSpacing(12);
    placeholderLayout->addWidget(makePanelLabel(title, 13, QFont::DemiBold, false));
    m_message->setWordWrap(true);
    m_message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    placeholderLayout->addWidget(m_message);

    auto *permissionLayout = new QVBoxLayout(m_permissionCard);
    permissionLayout->setContentsMargins(16, 16, 16, 16);
    permissionLayout->setSpacing(8);
    m_permissionTitle->setWordWrap(true);
    m_permissionMessage->setWordWrap(true);
    permissionLayout->addWidget(m_permissionTitle);
    permissionLayout->addWidget(m_permissionMessage);
    permissionLayout->addWidget(m_permissionAction, 0, Qt::AlignLeft);
    connect(m_permissionAction, &QPushButton::clicked, this, &ErrorStateView::openSettingsRequested);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    layout->addWidget(placeholder);
    layout->addWidget(m_permissionCard);
    layout->addStretch(1);
}

void ErrorStateView::setError(const QString &message, const std::optional<PermissionGuidance> &guidance)
{
    m_message->setText(message);
    m_permissionCard->setVisible(guidance.has_value());
    if (guidance) {
        m_permissionTitle->setText(guidance->title);
        m_permissionMessage->setText(guidance->message);
        m_permissionAction->setText(guidance->actionTitle);
        m_permissionAction->setAccessibleName(guidance->actionTitle);
    }
}

QString ErrorStateView::message() const
{
    return m_message->text();
}
