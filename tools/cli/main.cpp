// orvanta-cli: runs Orvanta's capture understanding and questions from scripts and for checking them.
#include "CliCommands.h"

#include "support/OrvantaError.h"
#include "understanding/ShippedLayoutBridge.h"

#include <QCoreApplication>

#include <array>
#include <iostream>

namespace {

struct CliCommand
{
    const char *name;
    const char *usage;
    QCoro::Task<int> (*run)(QStringList arguments);
};

constexpr std::array commands{
    CliCommand{"understand", "understand IMAGE.png", runUnderstandCommand},
    CliCommand{"route", "route < BRIDGE_OUTPUT.json", runRouteCommand},
    CliCommand{"trust", "trust < {\"text\", \"confidence\", \"line_count\"}", runTrustCommand},
    CliCommand{"ask", "ask [--json] [--preset NAME] IMAGE.png|- QUESTION [QUESTION ...]", runAskCommand},
};

int printUsage()
{
    std::cerr << "usage:\n";
    for (const CliCommand &command : commands)
        std::cerr << "  orvanta-cli " << command.usage << '\n';
    return 1;
}

QCoro::Task<int> runReportingFailure(const CliCommand &command, QStringList arguments)
{
    try {
        co_return co_await command.run(std::move(arguments));
    } catch (const std::exception &error) {
        std::cerr << messageOf(error).toStdString() << '\n';
        co_return 1;
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // The same bridge the application uses: the one installed beside it, unless one is chosen.
    useLayoutBridgeBesideProgram();
    QStringList arguments = app.arguments().mid(1);
    if (arguments.isEmpty())
        return printUsage();
    const QString name = arguments.takeFirst();
    for (const CliCommand &command : commands) {
        if (name == QLatin1String(command.name))
            return QCoro::waitFor(runReportingFailure(command, std::move(arguments)));
    }
    return printUsage();
}
