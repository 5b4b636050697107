#pragma once

#include "support/OrvantaError.h"

// Failures of the hot-key service, each with the service's status code.
class GlobalHotKeyError : public OrvantaError
{
public:
    enum class Kind { eventHandlerInstallFailed, registrationFailed };

    static GlobalHotKeyError eventHandlerInstallFailed(qint32 status)
    {
        return GlobalHotKeyError(Kind::eventHandlerInstallFailed, status);
    }
    static GlobalHotKeyError registrationFailed(qint32 status)
    {
        return GlobalHotKeyError(Kind::registrationFailed, status);
    }

    Kind kind() const { return m_kind; }
    qint32 status() const { return m_status; }
    QString message() const override
    {
        const QString what = m_kind == Kind::eventHandlerInstallFailed
                                 ? QStringLiteral("Installing the global hotkey handler failed with status ")
                                 : QStringLiteral("Registering the global hotkey failed with status ");
        return what + QString::number(m_status) + QLatin1Char('.');
    }

private:
    GlobalHotKeyError(Kind kind, qint32 status) : m_kind(kind), m_status(status) {}

    Kind m_kind;
    qint32 m_status;
};
