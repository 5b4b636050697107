#pragma once

#include "models/PermissionGuidance.h"

#include <QWidget>

#include <optional>

class QLabel;
class QPushButton;

// What the panel shows after a failure: "Something went wrong" with the message, and the help
// card of a missing permission with its action.
class ErrorStateView : public QWidget
{
    Q_OBJECT
public:
    static inline const QString title = QStringLiteral("Something went wrong");

    explicit ErrorStateView(QWidget *parent = nullptr);

    void setError(const QString &message, const std::optional<PermissionGuidance> &guidance);
    QString message() const;
    QPushButton *permissionAction() const { return m_permissionAction; }

Q_SIGNALS:
    void openSettingsRequested();

private:
    QLabel *m_message;
    QWidget *m_permissionCard;
    QLabel *m_permissionTitle;
    QLabel *m_permissionMessage;
    QPushButton *m_permissionAction;
};
