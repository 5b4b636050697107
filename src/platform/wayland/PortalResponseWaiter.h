#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

// Receives the Response signal of one portal Request object (QtDBus delivers signals to slots of
// a QObject only) and keeps the first one. Stops listening when destroyed.
class PortalResponseWaiter : public QObject
{
    Q_OBJECT
public:
    explicit PortalResponseWaiter(QDBusConnection bus);
    ~PortalResponseWaiter() override;

    void listen(const QString &requestPath);
    bool hasResponse() const { return m_hasResponse; }
    uint response() const { return m_response; }
    const QVariantMap &results() const { return m_results; }

Q_SIGNALS:
    void responded();

private Q_SLOTS:
    void take(uint response, const QVariantMap &results);

private:
    QDBusConnection m_bus;
    QStringList m_paths;
    bool m_hasResponse = false;
    uint m_response = 2;
    QVariantMap m_results;
};
