// orvanta: the tray application. One process per user: a second launch hands its sign-in
// callback URL (or just a request to show the main window) to the running one and exits.
#include "OrvantaApplication.h"
#include "auth/AuthConfiguration.h"
#include "auth/SingleInstanceChannel.h"
#include "brand/BrandMark.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcMain, "orvanta.app")

namespace {
// The first argument that is a sign-in callback URL, or an empty URL.
QUrl callbackURL(const QStringList &arguments)
{
    for (const QString &argument : arguments.mid(1)) {
        const QUrl url = QUrl::fromUserInput(argument);
        if (url.scheme() == AuthConfiguration::callbackScheme)
            return url;
    }
    return {};
}

// The layout bridge installed or built beside this executable, unless the user chose one.
void locateLayoutBridge()
{
    const char *key = "ORVANTA_PADDLE_OCR_BRIDGE";
    if (!qEnvironmentVariableIsEmpty(key))
        return;
    const QString bridge =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("orvanta-layout-bridge"));
    if (QFileInfo(bridge).isExecutable())
        qputenv(key, QFile::encodeName(bridge));
}
} // namespace

int main(int argc, char **argv)
{
    // Tesseract's OpenMP pool reads this once, when the library starts; one thread is several
    // times faster on small machines.
    qputenv("OMP_THREAD_LIMIT", "1");

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Orvanta"));
    QApplication::setApplicationName(QStringLiteral("Orvanta"));
    QApplication::setApplicationVersion(QStringLiteral(ORVANTA_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("com.orvanta.desktop"));
    QApplication::setWindowIcon(BrandMark::appIcon());
    // Closing the main window leaves Orvanta in the tray, listening for the shortcut.
    QApplication::setQuitOnLastWindowClosed(false);
    locateLayoutBridge();

    const QUrl url = callbackURL(QCoreApplication::arguments());
    SingleInstanceChannel channel;
    if (!channel.listen()) {
        if (SingleInstanceChannel::handOver(channel.socketPath(), url))
            return 0;
        // Nobody took it: run alone rather than not at all; a browser sign-in cannot hand its
        // callback to this process then, and the user can cancel the waiting screen.
        qCWarning(lcMain) << "Could not reach or become the running Orvanta at" << channel.socketPath();
    }

    OrvantaApplication orvanta(channel);
    orvanta.start();
    return app.exec();
}
