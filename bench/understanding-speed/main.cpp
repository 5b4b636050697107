// orvanta-understanding-speed DATA_DIR BIN_DIR [RUNS]
// Times the whole `orvanta-cli understand` (its process, the layout bridge's process, layout,
// recognition when the route needs it) against a plain single-thread `tesseract IMAGE stdout` on
// the same capture, alternately in one run, for the prose, table and chart captures of the
// sample set, and prints the medians and their ratios, of wall time (the goal: prose at most 0.6,
// table and chart at most 0.3) and of processor time (steadier on a busy machine).

#include "SideBySide.h"

#include <QCoreApplication>
#include <QDir>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fputs("usage: orvanta-understanding-speed DATA_DIR BIN_DIR [RUNS]\n", stderr);
        return 2;
    }
    const QDir data(QString::fromLocal8Bit(argv[1]));
    const QDir bin(QString::fromLocal8Bit(argv[2]));
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 15;
    const QString cli = bin.filePath(QStringLiteral("orvanta-cli"));
    // As a user runs it: Orvanta's engines must keep to one thread each without being told.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("OMP_THREAD_LIMIT"));
    environment.insert(QStringLiteral("ORVANTA_PADDLE_OCR_BRIDGE"),
                       bin.filePath(QStringLiteral("orvanta-layout-bridge")));
    environment.insert(QStringLiteral("ORVANTA_PADDLE_OCR_TIMEOUT_MS"), QStringLiteral("120000"));

    std::printf("runs: %d, load average at start: %s\n", runs, qPrintable(loadAverage()));
    for (const char *name : {"prose-1200x800.png", "table-ruled.png", "chart-bars.png"}) {
        const QString image = data.filePath(QString::fromLatin1(name));
        std::vector<Timing> ours, plain;
        timingOf(cli, {QStringLiteral("understand"), image}, environment); // file cache, both
        for (int i = 0; i < runs; ++i) {
            ours.push_back(timingOf(cli, {QStringLiteral("understand"), image}, environment));
            plain.push_back(plainTesseract(image));
        }
        printComparison(name, median(ours), median(plain));
    }
    std::printf("load average at end: %s\n", qPrintable(loadAverage()));
    return 0;
}
