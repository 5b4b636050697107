#pragma once

#include "overlay/ResultOverlayPresenter.h"

#include <QPointer>

class QLabel;
class QWidget;

// Stands in for the answer panel until it ships: a small tool window that says answers are
// not available in this version yet and shows the controller's message, if any.
class PendingAnswerPanel : public ResultOverlayPresenter
{
public:
    static inline const QString notice = QStringLiteral("Answers about a capture are not available in this "
                                                        "version of Orvanta yet.");

    ~PendingAnswerPanel() override;

    bool isVisible() const override;
    void present(const ResultOverlaySnapshot &snapshot, const ResultOverlayCallbacks &callbacks) override;
    void updateVisibleContent(const ResultOverlaySnapshot &snapshot, const ResultOverlayCallbacks &callbacks) override;
    void close() override;

private:
    QPointer<QWidget> m_window;
    QPointer<QLabel> m_message;
};
