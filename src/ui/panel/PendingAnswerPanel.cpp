#include "PendingAnswerPanel.h"

#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

PendingAnswerPanel::~PendingAnswerPanel()
{
    delete m_window;
}

bool PendingAnswerPanel::isVisible() const
{
    return m_window && m_window->isVisible();
}

void PendingAnswerPanel::present(const ResultOverlaySnapshot &snapshot, const ResultOverlayCallbacks &callbacks)
{
    if (!m_window) {
        m_window = new QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint);
        m_window->setAttribute(Qt::WA_DeleteOnClose);
        m_window->setWindowTitle(QStringLiteral("Orvanta"));
        auto *layout = new QVBoxLayout(m_window);
        auto *noticeLabel = new QLabel(notice);
        noticeLabel->setWordWrap(true);
        layout->addWidget(noticeLabel);
        m_message = new QLabel;
        m_message->setWordWrap(true);
        layout->addWidget(m_message);
        m_window->setFixedWidth(320);
    }
    updateVisibleContent(snapshot, callbacks);
    m_window->show();
    m_window->raise();
}

void PendingAnswerPanel::updateVisibleContent(const ResultOverlaySnapshot &snapshot, const ResultOverlayCallbacks &)
{
    if (!m_window)
        return;
    m_message->setText(snapshot.errorMessage.value_or(QString()));
    m_message->setVisible(snapshot.errorMessage.has_value());
}

void PendingAnswerPanel::close()
{
    if (m_window)
        m_window->close();
}
