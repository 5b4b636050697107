// bench_startup [--runs N] [--settle-ms MS] [--window-timeout-ms MS] -- PROGRAM [ARGS...]
// Starts PROGRAM N times, each in a fresh home folder, and measures the time from launch until
// X maps the program's first top-level window (found by its _NET_WM_PID), then its resident
// memory once it has settled. A program that shows no window (a tray daemon without a tray) is
// measured for memory only, after the window time-out. Prints each run and the medians.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <xcb/xcb.h>

#include <poll.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace {
struct Run
{
    std::optional<double> shownMs;
    std::optional<double> residentMB;
};

xcb_atom_t atom(xcb_connection_t *connection, const char *name)
{
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return result;
}

std::optional<quint32> windowPid(xcb_connection_t *connection, xcb_window_t window, xcb_atom_t pidAtom)
{
    xcb_get_property_reply_t *reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, pidAtom, XCB_ATOM_CARDINAL, 0, 1), nullptr);
    std::optional<quint32> pid;
    if (reply && xcb_get_property_value_length(reply) == 4)
        pid = *static_cast<const quint32 *>(xcb_get_property_value(reply));
    std::free(reply);
    return pid;
}

std::optional<double> residentMB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return std::nullopt;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return std::nullopt;
}

Run measure(xcb_connection_t *connection, xcb_atom_t pidAtom, const QString &program, const QStringList &arguments,
            int settleMs, int windowTimeoutMs)
{
    QTemporaryDir home;
    QDir(home.path()).mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(home.filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), home.filePath(QStringLiteral("cache")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("runtime")));

    QProcess process;
    process.setProcessEnvironment(environment);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    process.start(program, arguments);
    Run run;
    if (!process.waitForStarted())
        return run;

    const int fd = xcb_get_file_descriptor(connection);
    while (!run.shownMs && clock.elapsed() < windowTimeoutMs) {
        xcb_generic_event_t *event = xcb_poll_for_event(connection);
        if (!event) {
            pollfd waiting{fd, POLLIN, 0};
            ::poll(&waiting, 1, 5);
            continue;
        }
        if ((event->response_type & ~0x80) == XCB_MAP_NOTIFY) {
            const auto *map = reinterpret_cast<const xcb_map_notify_event_t *>(event);
            const double elapsed = clock.nsecsElapsed() / 1e6;
            if (windowPid(connection, map->window, pidAtom) == quint32(process.processId()))
                run.shownMs = elapsed;
        }
        std::free(event);
    }
    QThread::msleep(static_cast<unsigned long>(settleMs));
    run.residentMB = residentMB(process.processId());
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(2000);
    }
    return run;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    int runs = 7;
    int settleMs = 1000;
    int windowTimeoutMs = 10'000;
    while (!arguments.isEmpty() && arguments.first() != QStringLiteral("--")) {
        const QString option = arguments.takeFirst();
        if (arguments.isEmpty())
            break;
        if (option == QStringLiteral("--runs"))
            runs = arguments.takeFirst().toInt();
        else if (option == QStringLiteral("--settle-ms"))
            settleMs = arguments.takeFirst().toInt();
        else if (option == QStringLiteral("--window-timeout-ms"))
            windowTimeoutMs = arguments.takeFirst().toInt();
    }
    if (arguments.size() < 2 || runs < 1) {
        std::fprintf(
            stderr, "usage: bench_startup [--runs N] [--settle-ms MS] [--window-timeout-ms MS] -- PROGRAM [ARGS...]\n");
        return 2;
    }
    arguments.removeFirst();
    const QString program = arguments.takeFirst();

    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "bench_startup: no X server (run it under scripts/with-xvfb)\n");
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);
    const xcb_atom_t pidAtom = atom(connection, "_NET_WM_PID");

    QList<double> shown;
    QList<double> resident;
    for (int i = 0; i < runs; ++i) {
        const Run run = measure(connection, pidAtom, program, arguments, settleMs, windowTimeoutMs);
        std::printf("run %d: window shown %s, resident %s MB\n", i + 1,
                    run.shownMs ? qPrintable(QString::number(*run.shownMs, 'f', 1) + QStringLiteral(" ms")) : "never",
                    run.residentMB ? qPrintable(QString::number(*run.residentMB, 'f', 1)) : "?");
        if (run.shownMs)
            shown.append(*run.shownMs);
        if (run.residentMB)
            resident.append(*run.residentMB);
    }
    std::printf("median: window shown %s (%lld of %d runs), resident %s MB\n",
                shown.isEmpty() ? "never" : qPrintable(QString::number(median(shown), 'f', 1) + QStringLiteral(" ms")),
                static_cast<long long>(shown.size()), runs,
                resident.isEmpty() ? "?" : qPrintable(QString::number(median(resident), 'f', 1)));
    xcb_disconnect(connection);
    return resident.isEmpty() ? 1 : 0;
}
