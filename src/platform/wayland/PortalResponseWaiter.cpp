#include "PortalResponseWaiter.h"

#include "PortalRequest.h"

namespace {
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString responseSignal = QStringLiteral("Response");
} // namespace

PortalResponseWaiter::PortalResponseWaiter(QDBusConnection bus) : m_bus(std::move(bus)) {}

PortalResponseWaiter::~PortalResponseWaiter()
{
    for (const QString &path : std::as_const(m_paths))
        m_bus.disconnect(PortalRequest::service, path, requestInterface, responseSignal, this,
                         SLOT(take(uint, QVariantMap)));
}

void PortalResponseWaiter::listen(const QString &requestPath)
{
    if (m_bus.connect(PortalRequest::service, requestPath, requestInterface, responseSignal, this,
                      SLOT(take(uint, QVariantMap))))
        m_paths.append(requestPath);
}

void PortalResponseWaiter::take(uint response, const QVariantMap &results)
{
    if (m_hasResponse)
        return;
    m_hasResponse = true;
    m_response = response;
    m_results = results;
    Q_EMIT responded();
}
