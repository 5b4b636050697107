// One executable for the capture-understanding area; each suite runs in turn.
#include <QCoreApplication>

int runCaptureRouteDeciderTests(int argc, char **argv);
int runLayoutBridgeTests(int argc, char **argv);
int runUnderstandingServiceTests(int argc, char **argv);
int runOrvantaCliTests(int argc, char **argv);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int failures = 0;
    for (auto suite :
         {runCaptureRouteDeciderTests, runLayoutBridgeTests, runUnderstandingServiceTests, runOrvantaCliTests})
        failures += suite(argc, argv);
    return failures == 0 ? 0 : 1;
}
