// orvanta-understanding-service-speed DATA_DIR BIN_DIR [RUNS]
// The understanding service as the application runs it (the layout bridge's process included,
// the in-process recogniser warmed up after start) on the 1200x800 prose capture, alternately
// with a plain single-thread `tesseract IMAGE stdout`, with the medians and their ratio (goal:
// at most 0.5). Then the resident memory of this process after ten captures through the bridge
// and ten through the in-process recogniser (goal: the application under 120 MB), and the
// application and its bridge together with the libraries they share counted once.

#include "SideBySide.h"

#include "ocr/TesseractOCRService.h"
#include "understanding/PaddleCaptureUnderstandingService.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QImage>

namespace {

CapturedSelection selectionOf(const QString &path)
{
    CapturedSelection selection;
    selection.id = QUuid::createUuid();
    selection.cgImage = QImage(path);
    selection.imageSize = QSizeF(selection.cgImage.size());
    selection.selectionRect = QRectF(QPointF(0, 0), selection.imageSize);
    selection.capturedAt = QDateTime::currentDateTimeUtc();
    return selection;
}

Timing understandTiming(PaddleCaptureUnderstandingService &service, const CapturedSelection &selection)
{
    const Stopwatch stopwatch;
    const CaptureUnderstandingResult result = QCoro::waitFor(service.understand(selection));
    if (result.mode != CaptureUnderstandingMode::text)
        std::fputs("warning: the prose capture did not take the text route\n", stderr);
    return stopwatch.elapsed();
}

// A "Name:   N kB" field of a /proc file of a process, in kB; -1 when it cannot be read.
qint64 procKilobytes(const QString &pid, const char *file, const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/%1/%2").arg(pid, QLatin1String(file)));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(field.size()).simplified().split(' ').value(0).toLongLong();
    return -1;
}

QString residentMemory(const QString &pid = QStringLiteral("self"))
{
    return QStringLiteral("%1 kB").arg(procKilobytes(pid, "status", "VmRSS:"));
}

// The application and its bridge together, each shared page counted once (proportional set size).
QString proportionalMemoryWithChildren()
{
    qint64 total = procKilobytes(QStringLiteral("self"), "smaps_rollup", "Pss:");
    for (const auto &child : runningChildren())
        total += procKilobytes(child.first, "smaps_rollup", "Pss:");
    return QStringLiteral("%1 kB").arg(total);
}

void understandTen(PaddleCaptureUnderstandingService &service, const QDir &data)
{
    const QStringList files = data.entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
    for (int i = 0; i < 10 && !files.isEmpty(); ++i)
        QCoro::waitFor(service.understand(selectionOf(data.filePath(files[i % files.size()]))));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fputs("usage: orvanta-understanding-service-speed DATA_DIR BIN_DIR [RUNS]\n", stderr);
        return 2;
    }
    const QDir data(QString::fromLocal8Bit(argv[1]));
    const QDir bin(QString::fromLocal8Bit(argv[2]));
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 15;
    const QByteArray bridge = bin.filePath(QStringLiteral("orvanta-layout-bridge")).toLocal8Bit();
    qputenv("ORVANTA_PADDLE_OCR_BRIDGE", bridge);
    qputenv("ORVANTA_PADDLE_OCR_TIMEOUT_MS", "120000");

    std::printf("resident at start: %s\n", qPrintable(residentMemory()));
    TesseractOCRService recognizer;
    recognizer.warmUpInBackground();
    const auto service = PaddleCaptureUnderstandingService::createShipped(&recognizer);
    service->prepareBridge(true);
    const QString prose = data.filePath(QStringLiteral("prose-1200x800.png"));
    const CapturedSelection selection = selectionOf(prose);
    understandTiming(*service, selection); // file cache and warm engines
    std::printf("resident with warm engines: %s\nruns: %d, load average at start: %s\n", qPrintable(residentMemory()),
                runs, qPrintable(loadAverage()));
    std::vector<Timing> ours, plain;
    for (int i = 0; i < runs; ++i) {
        ours.push_back(understandTiming(*service, selection));
        plain.push_back(plainTesseract(prose));
    }
    printComparison("prose-1200x800.png", median(ours), median(plain));
    std::printf("load average at end: %s\n", qPrintable(loadAverage()));

    understandTen(*service, data);
    std::printf("resident after ten captures through the bridge: %s\n", qPrintable(residentMemory()));
    for (const auto &child : runningChildren())
        std::printf("resident of the serving bridge (its own process): %s\n", qPrintable(residentMemory(child.first)));
    std::printf("proportional set size of the application and its bridge together: %s\n",
                qPrintable(proportionalMemoryWithChildren()));
    qunsetenv("ORVANTA_PADDLE_OCR_BRIDGE");
    understandTen(*service, data);
    std::printf("resident after ten more through the in-process recogniser: %s\n", qPrintable(residentMemory()));
    return 0;
}
