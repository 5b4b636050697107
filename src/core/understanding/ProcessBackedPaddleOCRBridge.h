#pragma once

#include "PaddleOCRBridge.h"

#include <QLoggingCategory>
#include <QString>
#include <QStringList>

#include <chrono>

Q_DECLARE_LOGGING_CATEGORY(lcLayoutBridge)

// Layout analysis by an external bridge program, found through an environment variable and run
// once per capture on a temporary PNG of it. Runs its child from the calling (main) thread.
class ProcessBackedPaddleOCRBridge : public PaddleOCRBridge
{
public:
    static constexpr std::chrono::milliseconds defaultTimeLimit{6000};

    explicit ProcessBackedPaddleOCRBridge(QString environmentKey = QStringLiteral("ORVANTA_PADDLE_OCR_BRIDGE"),
                                          QString timeoutKey = QStringLiteral("ORVANTA_PADDLE_OCR_TIMEOUT_MS"));

    QString environmentKey() const { return m_environmentKey; }
    QString timeoutKey() const { return m_timeoutKey; }

    QCoro::Task<PaddleOCRBridgeOutput> analyze(CapturedSelection selection) override;

    // The time limit a variable's value asks for: a base-10 integer of milliseconds (optional
    // sign, digits only), at least 1; anything else, or nothing, gives the default.
    static std::chrono::milliseconds timeLimit(const QString &value);

    struct Invocation
    {
        QString program;
        QStringList arguments;
        bool operator==(const Invocation &) const = default;
    };
    // A ".py" bridge (any letter case) runs through python3; anything else is executed itself.
    static Invocation invocation(const QString &bridgePath, const QString &imagePath);

private:
    QString m_environmentKey;
    QString m_timeoutKey;
};
