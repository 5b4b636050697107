#pragma once

// Timing helpers shared by the understanding speed benchmarks: child processes with
// OMP_THREAD_LIMIT=1, medians, and the load the machine was under.

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

inline QProcessEnvironment singleThreadEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("OMP_THREAD_LIMIT"), QStringLiteral("1"));
    return environment;
}

// Wall seconds of one run of the program; exits the benchmark when it fails.
inline double secondsFor(const QString &program, const QStringList &arguments,
                         const QProcessEnvironment &environment = singleThreadEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    if (!process.waitForFinished(300000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        std::fprintf(stderr, "%s %s failed\n", qPrintable(program), qPrintable(arguments.join(QLatin1Char(' '))));
        std::exit(1);
    }
    return double(timer.nsecsElapsed()) / 1e9;
}

// The plain configuration everything is compared with.
inline double plainTesseractSeconds(const QString &image)
{
    return secondsFor(QStringLiteral("tesseract"), {image, QStringLiteral("stdout")});
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

inline QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).section(QLatin1Char(' '), 0, 2)
                                          : QStringLiteral("unknown");
}
