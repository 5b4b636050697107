// The sign-in callback URL is handed over by the browser (or by anything that can start Orvanta
// with a URL): any URL must end the waiting sign-in signed out with a message, never signed in
// and never with a request to the identity provider (the state cannot match).
#include "auth/SessionManager.h"
#include "auth/WebAuthenticationSession.h"
#include "settings/InMemoryKeyValueStore.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QNetworkAccessManager>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {
class BrowserStandIn : public WebAuthenticationSession
{
public:
    bool start(const QUrl &, const QString &) override { return true; }
    void cancel() override {}
};

struct Session
{
    int argc = 1;
    char name[8] = "fuzz";
    char *argv[2] = {name, nullptr};
    QCoreApplication app{argc, argv};
    InMemoryKeyValueStore store;
    QNetworkAccessManager network;
    BrowserStandIn browser;
    SessionManager manager{store, network, browser};

    // Every refused callback is logged; at thousands a second that is only noise.
    Session() { QLoggingCategory::setFilterRules(QStringLiteral("orvanta.*=false")); }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static Session s;
    s.manager.startGoogleSignIn();
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    Q_EMIT s.browser.completed(QUrl::fromEncoded(bytes));
    if (s.manager.sessionState() != SessionState::signedOut() || !s.manager.authErrorMessage())
        std::abort();
    return 0;
}
