#pragma once

// Timing helpers shared by the understanding speed benchmarks: child processes with
// OMP_THREAD_LIMIT=1, wall and processor seconds, medians, and the load the machine was under.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

#include <sys/resource.h>
#include <unistd.h>

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

// The fields of /proc/PID/stat after the parenthesised name (state, ppid, ..., utime at 11,
// stime at 12) of each running child of this process, such as a layout bridge serving between
// captures.
inline std::vector<std::pair<QString, QList<QByteArray>>> runningChildren()
{
    std::vector<std::pair<QString, QList<QByteArray>>> children;
    const QByteArray self = QByteArray::number(QCoreApplication::applicationPid());
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList({QStringLiteral("[0-9]*")}, QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> fields = stat.readAll().split(')').last().simplified().split(' ');
        if (fields.size() > 12 && fields[1] == self)
            children.emplace_back(pid, fields);
    }
    return children;
}

inline double runningChildrenSeconds()
{
    double total = 0.0;
    for (const auto &[pid, fields] : runningChildren())
        total += (fields[11].toDouble() + fields[12].toDouble()) / double(sysconf(_SC_CLK_TCK));
    return total;
}

// Processor seconds (user and system) of this process and of its children, waited for or running.
inline double processorSeconds()
{
    double total = runningChildrenSeconds();
    for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        getrusage(who, &usage);
        total += double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }
    return total;
}

struct Timing
{
    double wall = 0.0;
    double processor = 0.0;
};

// Starts timing; Timing::since gives what has passed.
struct Stopwatch
{
    QElapsedTimer timer;
    double processorAtStart = processorSeconds();
    Stopwatch() { timer.start(); }
    Timing elapsed() const { return {double(timer.nsecsElapsed()) / 1e9, processorSeconds() - processorAtStart}; }
};

// One run of the program, child processes included; exits the benchmark when it fails.
inline Timing timingOf(const QString &program, const QStringList &arguments,
                       const QProcessEnvironment &environment = singleThreadEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setStandardOutputFile(QProcess::nullDevice());
    const Stopwatch stopwatch;
    process.start(program, arguments);
    if (!process.waitForFinished(300000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        std::fprintf(stderr, "%s %s failed\n", qPrintable(program), qPrintable(arguments.join(QLatin1Char(' '))));
        std::exit(1);
    }
    return stopwatch.elapsed();
}

// The plain configuration everything is compared with.
inline Timing plainTesseract(const QString &image)
{
    return timingOf(QStringLiteral("tesseract"), {image, QStringLiteral("stdout")});
}

inline Timing median(std::vector<Timing> values)
{
    Timing result;
    const auto middle = [&](auto member) {
        std::sort(values.begin(), values.end(),
                  [&](const Timing &a, const Timing &b) { return a.*member < b.*member; });
        return values[values.size() / 2].*member;
    };
    result.wall = middle(&Timing::wall);
    result.processor = middle(&Timing::processor);
    return result;
}

// "ours X s, tesseract Y s, ratio R" for wall time and for processor time.
inline void printComparison(const char *what, const Timing &ours, const Timing &plain)
{
    std::printf("%-22s wall: median %.3f s against tesseract %.3f s, ratio %.2f; processor: %.3f s against %.3f "
                "s, ratio %.2f\n",
                what, ours.wall, plain.wall, ours.wall / plain.wall, ours.processor, plain.processor,
                ours.processor / plain.processor);
}

inline QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).section(QLatin1Char(' '), 0, 2)
                                          : QStringLiteral("unknown");
}
