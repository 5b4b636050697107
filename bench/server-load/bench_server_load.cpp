// orvanta-server under load on loopback: bursts of concurrent answer requests (200 by default)
// against a stand-in model that answers after 50 ms. Each round also sends the same burst
// straight to the stand-in, so the server's own added latency is the difference between the two
// at the median and the 99th percentile, measured side by side. The stand-in runs on a thread of
// its own, as a model server would, so its work does not queue behind the clients'; a first,
// uncounted round warms the server's connections to the model.
//   build/bin/bench_server_load [ROUNDS] [CONCURRENCY]
#include "DevServerProcess.h"
#include "StandInModel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <QScopeGuard>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int modelDelayMs = 50;
constexpr int burstTimeoutMs = 60000;
const QByteArray passphrase = "load test passphrase";

struct Burst
{
    std::vector<double> latenciesMs;
    int failures = 0;
};

double percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<size_t>(fraction * values.size()))];
}

double median(std::vector<double> values)
{
    return percentile(std::move(values), 0.5);
}

// Sends the same request on `count` connections at once and times each until its whole reply.
Burst burst(quint16 port, const QByteArray &request, int count)
{
    Burst result;
    QEventLoop loop;
    int open = count;
    for (int i = 0; i < count; ++i) {
        auto *socket = new QTcpSocket(&loop);
        auto *timer = new QElapsedTimer;
        auto *received = new QByteArray;
        const auto finish = [&, socket, timer, received](bool ok) {
            if (ok)
                result.latenciesMs.push_back(timer->nsecsElapsed() / 1e6);
            else
                ++result.failures;
            delete timer;
            delete received;
            socket->disconnect();
            socket->deleteLater();
            if (--open == 0)
                loop.quit();
        };
        QObject::connect(socket, &QTcpSocket::connected, socket, [socket, request] { socket->write(request); });
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, received, finish] {
            *received += socket->readAll();
            const qsizetype headerEnd = received->indexOf("\r\n\r\n");
            if (headerEnd < 0)
                return;
            const QByteArray header = received->left(headerEnd).toLower();
            const qsizetype lengthAt = header.indexOf("content-length:");
            const qsizetype length = lengthAt < 0
                                         ? 0
                                         : header.mid(lengthAt + 15, header.indexOf("\r\n", lengthAt) - lengthAt - 15)
                                               .trimmed()
                                               .toLongLong();
            if (received->size() >= headerEnd + 4 + length)
                finish(received->startsWith("HTTP/1.1 200"));
        });
        QObject::connect(socket, &QTcpSocket::errorOccurred, socket, [finish] { finish(false); });
        timer->start();
        socket->connectToHost(QHostAddress::LocalHost, port);
    }
    QTimer::singleShot(burstTimeoutMs, &loop, &QEventLoop::quit);
    if (open > 0)
        loop.exec();
    result.failures += open;
    return result;
}

QByteArray post(const QByteArray &path, quint16 port, const QByteArray &body, const QByteArray &extraHeaders = {})
{
    return "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(port) +
           "\r\nContent-Type: application/json\r\n" + extraHeaders +
           "Content-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const int concurrency = argc > 2 ? std::max(1, std::atoi(argv[2])) : 200;
    // The stand-in's line per request is not what is measured.
    QLoggingCategory::setFilterRules(QStringLiteral("orvanta.devserver.info=false"));

    QThread modelThread;
    modelThread.start();
    QObject modelContext;
    modelContext.moveToThread(&modelThread);
    std::unique_ptr<StandInModel> modelOwner;
    QMetaObject::invokeMethod(
        &modelContext,
        [&modelOwner] {
            modelOwner = std::make_unique<StandInModel>();
            modelOwner->setDelayMs(modelDelayMs);
        },
        Qt::BlockingQueuedConnection);
    const auto stopModel = qScopeGuard([&] {
        QMetaObject::invokeMethod(
            &modelContext, [&modelOwner] { modelOwner.reset(); }, Qt::BlockingQueuedConnection);
        modelThread.quit();
        modelThread.wait();
    });
    const StandInModel &model = *modelOwner;
    QTemporaryDir folder;
    const QString config = folder.filePath(QStringLiteral("server.conf"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    file.write("[server]\nport=0\ndata=" + folder.filePath(QStringLiteral("data")).toUtf8() +
               "\n[model]\nurl=" + model.baseUrl().toEncoded() + "\n");
    file.close();
    const QString binary = qEnvironmentVariable("ORVANTA_BIN_DIR", QCoreApplication::applicationDirPath()) +
                           QStringLiteral("/orvanta-server");
    QProcess addUser;
    addUser.start(binary, {QStringLiteral("user"), QStringLiteral("add"), QStringLiteral("bench"),
                           QStringLiteral("--config"), config});
    addUser.write(passphrase + '\n');
    addUser.closeWriteChannel();
    if (!addUser.waitForFinished(30000) || addUser.exitCode() != 0) {
        std::fprintf(stderr, "user add failed: %s\n", addUser.readAllStandardError().constData());
        return 1;
    }
    qputenv("ORVANTA_BIN_DIR", QFileInfo(binary).absolutePath().toUtf8());
    DevServerProcess server(DevServerProcess::Program{QStringLiteral("orvanta-server"),
                                                      {QStringLiteral("serve"), QStringLiteral("--config"), config}});
    if (!server.isRunning()) {
        std::fprintf(stderr, "%s\n", qPrintable(server.errorString()));
        return 1;
    }
    const auto signedIn = server.signInWithPassphrase(QStringLiteral("bench"), QString::fromUtf8(passphrase));
    if (!std::holds_alternative<QJsonObject>(signedIn)) {
        std::fprintf(stderr, "sign-in failed\n");
        return 1;
    }
    const QByteArray token = std::get<QJsonObject>(signedIn).value(QStringLiteral("id_token")).toString().toUtf8();
    const quint16 serverPort = static_cast<quint16>(server.baseUrl().port());
    const quint16 modelPort = static_cast<quint16>(model.baseUrl().port());
    const QByteArray question =
        R"({"user_id":"bench","capture_mode":"TEXT","ocr_text":"Total 42","question":"What is the total?","history":[]})";
    const QByteArray chat = R"({"messages":[{"role":"user","content":"What is the total?"}]})";
    const QByteArray viaServer = post("/ai/answer", serverPort, question, "Authorization: Bearer " + token + "\r\n");
    const QByteArray direct = post("/v1/chat/completions", modelPort, chat);

    burst(serverPort, viaServer, concurrency);
    std::vector<double> serverMedians, serverTails, directMedians, directTails;
    int failures = 0;
    for (int round = 0; round < rounds; ++round) {
        // Alternated, so neither burst always runs on the heels of the other.
        Burst throughServer, straight;
        if (round % 2 == 0) {
            throughServer = burst(serverPort, viaServer, concurrency);
            straight = burst(modelPort, direct, concurrency);
        } else {
            straight = burst(modelPort, direct, concurrency);
            throughServer = burst(serverPort, viaServer, concurrency);
        }
        failures += throughServer.failures + straight.failures;
        // The server logs a line per request; read them so its pipe never fills.
        server.log();
        if (throughServer.latenciesMs.empty() || straight.latenciesMs.empty())
            break;
        serverMedians.push_back(median(throughServer.latenciesMs));
        serverTails.push_back(percentile(throughServer.latenciesMs, 0.99));
        directMedians.push_back(median(straight.latenciesMs));
        directTails.push_back(percentile(straight.latenciesMs, 0.99));
        std::printf("round %d: through orvanta-server median %.1f ms, p99 %.1f ms; straight to the model median "
                    "%.1f ms, p99 %.1f ms; failures %d\n",
                    round + 1, serverMedians.back(), serverTails.back(), directMedians.back(), directTails.back(),
                    throughServer.failures + straight.failures);
    }
    if (serverMedians.empty())
        return 1;
    std::printf("%d concurrent requests, model answering in %d ms, median of %d rounds:\n"
                "  added by orvanta-server: %.1f ms at the median, %.1f ms at the 99th percentile; failures %d\n",
                concurrency, modelDelayMs, int(serverMedians.size()), median(serverMedians) - median(directMedians),
                median(serverTails) - median(directTails), failures);
    return failures == 0 ? 0 : 1;
}
