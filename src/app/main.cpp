// orvanta: the tray application. One process per user: a second launch hands its sign-in
// callback URL, its capture request (`orvanta --capture`) or just a request to show the main
// window to the running one and exits.
#include "CommandLine.h"
#include "OrvantaApplication.h"
#include "auth/SingleInstanceChannel.h"
#include "brand/BrandMark.h"
#include "desktop/TerminationSignals.h"
#include "understanding/ShippedLayoutBridge.h"

#include <QApplication>
#include <QLoggingCategory>

#include <cstdio>

Q_LOGGING_CATEGORY(lcMain, "orvanta.app")

namespace {
// Answers --help, --version and mistakes before any window system is needed; else -1.
int answerWithoutDesktop(const CommandLine &command)
{
    switch (command.action) {
    case CommandLine::Action::help:
        std::fputs(CommandLine::helpText().toLocal8Bit().constData(), stdout);
        return 0;
    case CommandLine::Action::version:
        std::fputs(CommandLine::versionText().toLocal8Bit().constData(), stdout);
        return 0;
    case CommandLine::Action::invalid:
        std::fprintf(stderr, "orvanta: %s\nTry 'orvanta --help' for more information.\n",
                     command.error.toLocal8Bit().constData());
        return 2;
    case CommandLine::Action::run:
    case CommandLine::Action::capture:
        break;
    }
    return -1;
}
} // namespace

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const CommandLine command = CommandLine::parse(arguments);
    if (const int exitCode = answerWithoutDesktop(command); exitCode >= 0)
        return exitCode;

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Orvanta"));
    QApplication::setApplicationName(QStringLiteral("Orvanta"));
    QApplication::setApplicationVersion(QStringLiteral(ORVANTA_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("com.orvanta.desktop"));
    QApplication::setWindowIcon(BrandMark::appIcon());
    // Closing the main window leaves Orvanta in the tray, listening for the shortcut.
    QApplication::setQuitOnLastWindowClosed(false);
    useLayoutBridgeBesideProgram();
    // Logging out or `kill` ends Orvanta as "Quit Orvanta" does, leaving no socket or lock behind.
    // In place before the socket exists: a signal that comes early ends the event loop at its start.
    TerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &TerminationSignals::received, &app, &QCoreApplication::quit);

    const bool capture = command.action == CommandLine::Action::capture;
    SingleInstanceChannel channel;
    if (!channel.listen()) {
        // A login start finds Orvanta already running: nothing to show.
        if (command.background && !capture && command.callbackURL.isEmpty())
            return 0;
        if (capture ? SingleInstanceChannel::requestCapture(channel.socketPath())
                    : SingleInstanceChannel::handOver(channel.socketPath(), command.callbackURL))
            return 0;
        // Nobody took it: run alone rather than not at all; a browser sign-in cannot hand its
        // callback to this process then, and the user can cancel the waiting screen.
        qCWarning(lcMain) << "Could not reach or become the running Orvanta at" << channel.socketPath();
    }

    OrvantaApplication orvanta(channel);
    // A capture or a login start keeps the window out of the way (and out of the frozen picture).
    orvanta.start(!capture && !command.background);
    if (capture)
        orvanta.startCapture();
    return app.exec();
}
