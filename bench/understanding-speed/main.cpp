// orvanta-understanding-speed IMAGE.png BIN_DIR [RUNS]
// Times, alternately and in one run, orvanta-layout-bridge (layout, recognition and engine
// start-up: it is a new process per capture) and a plain `tesseract IMAGE stdout`, both with
// OMP_THREAD_LIMIT=1, and prints the medians and their ratio (goal: at most 1.2).

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double secondsFor(const QString &program, const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("OMP_THREAD_LIMIT"), QStringLiteral("1"));
    process.setProcessEnvironment(environment);
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitCode() != 0) {
        std::fprintf(stderr, "%s failed\n", qPrintable(program));
        std::exit(1);
    }
    return double(timer.nsecsElapsed()) / 1e9;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fputs("usage: orvanta-understanding-speed IMAGE.png BIN_DIR [RUNS]\n", stderr);
        return 2;
    }
    const QString image = QString::fromLocal8Bit(argv[1]);
    const QString bridge = QDir(QString::fromLocal8Bit(argv[2])).filePath(QStringLiteral("orvanta-layout-bridge"));
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 7;
    std::vector<double> bridgeTimes, plainTimes;
    secondsFor(bridge, {image}); // warm the file cache for both
    for (int i = 0; i < runs; ++i) {
        bridgeTimes.push_back(secondsFor(bridge, {image}));
        plainTimes.push_back(secondsFor(QStringLiteral("tesseract"), {image, QStringLiteral("stdout")}));
    }
    const double b = median(bridgeTimes), p = median(plainTimes);
    std::printf("runs: %d\nlayout bridge (layout + text, start-up included): median %.3f s\n"
                "plain tesseract IMAGE stdout:                     median %.3f s\nratio: %.2f\n",
                runs, b, p, b / p);
    return 0;
}
