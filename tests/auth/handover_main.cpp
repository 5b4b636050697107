// Plays the second orvanta process: `orvanta-test-handover SOCKET [URL]` hands URL (or a show
// request) to the running instance and exits 0 when it was taken.
#include "auth/SingleInstanceChannel.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() < 2)
        return 2;
    const QUrl url = arguments.size() > 2 ? QUrl::fromEncoded(arguments.at(2).toUtf8()) : QUrl();
    return SingleInstanceChannel::handOver(arguments.at(1), url) ? 0 : 1;
}
