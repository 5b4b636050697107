#include "CommandLine.h"

#include "auth/AuthConfiguration.h"
#include "desktop/LoginAutostart.h"

namespace {
CommandLine only(CommandLine::Action action, QString error = {})
{
    CommandLine command;
    command.action = action;
    command.error = std::move(error);
    return command;
}
} // namespace

CommandLine CommandLine::parse(const QStringList &arguments)
{
    CommandLine command;
    for (const QString &argument : arguments.mid(1)) {
        if (argument == QStringLiteral("-h") || argument == QStringLiteral("--help"))
            return only(Action::help);
        if (argument == QStringLiteral("-v") || argument == QStringLiteral("--version"))
            return only(Action::version);
        if (argument == QStringLiteral("--capture")) {
            command.action = Action::capture;
        } else if (argument == LoginAutostart::backgroundOption) {
            command.background = true;
        } else if (argument.startsWith(QStringLiteral("--"))) {
            return only(Action::invalid, QStringLiteral("unknown option '%1'").arg(argument));
        } else if (argument.startsWith(QLatin1Char('-'))) {
            // Qt's own options (-platform, -session from the session manager, ...) are Qt's to read.
        } else if (command.callbackURL.isEmpty()) {
            // The desktop passes a file or URL for %u; only our own callback scheme means anything.
            const QUrl url = QUrl::fromUserInput(argument);
            if (url.scheme() == AuthConfiguration::callbackScheme)
                command.callbackURL = url;
        }
    }
    return command;
}

QString CommandLine::helpText()
{
    return QStringLiteral("Usage: orvanta [--capture | --background] [CALLBACK-URL]\n"
                          "\n"
                          "Orvanta answers questions about any region of your screen. It runs once per user, in the\n"
                          "system tray; starting it again brings its window forward.\n"
                          "\n"
                          "  --capture      start a capture in the running Orvanta (starting Orvanta first if it is\n"
                          "                 not running); bind this command to a key in your desktop's keyboard\n"
                          "                 settings to capture where Orvanta cannot register its own shortcut\n"
                          "  --background   start in the tray without showing the main window\n"
                          "  -h, --help     show this help and exit\n"
                          "  -v, --version  show the version and exit\n"
                          "\n"
                          "Environment:\n"
                          "  ORVANTA_PADDLE_OCR_BRIDGE      the layout bridge program (default: orvanta-layout-bridge\n"
                          "                                 installed beside orvanta)\n"
                          "  ORVANTA_PADDLE_OCR_TIMEOUT_MS  how long the bridge may run, in milliseconds\n");
}

QString CommandLine::versionText()
{
    return QStringLiteral("orvanta " ORVANTA_VERSION "\n");
}
