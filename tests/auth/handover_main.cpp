// Plays the second orvanta process: `orvanta-test-handover SOCKET [URL]` hands URL (or a show
// request) to the running instance and exits 0 when it was taken; `--listen SOCKET` instead
// becomes the first instance and waits until killed.
#include "auth/SingleInstanceChannel.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() == 3 && arguments.at(1) == QStringLiteral("--listen")) {
        SingleInstanceChannel channel(arguments.at(2));
        if (!channel.listen())
            return 2;
        std::puts("ready");
        std::fflush(stdout);
        return app.exec();
    }
    if (arguments.size() < 2)
        return 2;
    const QUrl url = arguments.size() > 2 ? QUrl::fromEncoded(arguments.at(2).toUtf8()) : QUrl();
    return SingleInstanceChannel::handOver(arguments.at(1), url) ? 0 : 1;
}
