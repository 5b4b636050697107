#include "UnderstandingTestSupport.h"

#include "understanding/BridgeOutputParser.h"
#include "understanding/CaptureUnderstandingError.h"
#include "understanding/ProcessBackedPaddleOCRBridge.h"
#include "understanding/ServingLayoutBridge.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;

namespace {

const QString invalidOutput = QStringLiteral("The Paddle bridge returned invalid layout output.");
const QString unavailable = QStringLiteral("Paddle layout analysis is not available.");
const QString timedOut = QStringLiteral("Paddle layout analysis timed out.");
const QString decodingError = QStringLiteral("decoding");

QString parseOutcome(const QByteArray &json, QSizeF defaultSize, PaddleOCRBridgeOutput *output)
{
    try {
        *output = BridgeOutputParser::parse(json, defaultSize);
        return QString();
    } catch (const CaptureUnderstandingError &error) {
        return error.message();
    } catch (const LibraryError &error) {
        return error.message().startsWith(QLatin1String("The layout bridge output could not be decoded: "))
                   ? decodingError
                   : error.message();
    }
}

} // namespace

class LayoutBridgeTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_scripts.isValid() && m_temp.isValid());
        // The bridge's temporary PNGs land here, so a leftover shows.
        qputenv("TMPDIR", m_temp.path().toUtf8());
    }

    void parsesOutput_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QSizeF>("pageSize");
        QTest::addColumn<QList<QRectF>>("boxes");
        const QList<QRectF> none;

        QTest::newRow("empty output") << QByteArray() << invalidOutput << QSizeF() << none;
        QTest::newRow("no regions") << QByteArray(R"({"regions": []})") << QString() << QSizeF(800, 600) << none;
        QTest::newRow("page size given") << QByteArray(R"({"page_width": 10.5, "page_height": 20, "regions": []})")
                                         << QString() << QSizeF(10.5, 20) << none;
        QTest::newRow("only the height given")
            << QByteArray(R"({"page_height": 50, "regions": []})") << QString() << QSizeF(800, 50) << none;
        QTest::newRow("null width counts as absent")
            << QByteArray(R"({"page_width": null, "regions": []})") << QString() << QSizeF(800, 600) << none;
        QTest::newRow("corners become origin and size")
            << QByteArray(R"({"regions": [{"type": "table", "score": 0.7, "bbox": [10, 20, 110, 70], "x": 1}]})")
            << QString() << QSizeF(800, 600) << QList<QRectF>{{10, 20, 100, 50}};
        QTest::newRow("reversed corners kept")
            << QByteArray(R"({"regions": [{"type": "text", "score": 1, "bbox": [10, 10, 5, 5]}]})") << QString()
            << QSizeF(800, 600) << QList<QRectF>{{10, 10, -5, -5}};
        QTest::newRow("three corners") << QByteArray(
                                              R"({"regions": [{"type": "text", "score": 1, "bbox": [1, 2, 3]}]})")
                                       << invalidOutput << QSizeF() << none;
        QTest::newRow("five corners") << QByteArray(
                                             R"({"regions": [{"type": "text", "score": 1, "bbox": [1, 2, 3, 4, 5]}]})")
                                      << invalidOutput << QSizeF() << none;
        QTest::newRow("kind in capitals")
            << QByteArray(R"({"regions": [{"type": "Text", "score": 1, "bbox": [1, 2, 3, 4]}]})") << invalidOutput
            << QSizeF() << none;
        QTest::newRow("a decoding error anywhere wins")
            << QByteArray(R"({"regions": [{"type": "bogus", "score": 1, "bbox": [1, 2, 3, 4]},
                                           {"type": "text", "score": "high", "bbox": [1, 2, 3, 4]}]})")
            << decodingError << QSizeF() << none;
        QTest::newRow("corner as text") << QByteArray(
                                               R"({"regions": [{"type": "text", "score": 1, "bbox": [1, "2", 3, 4]}]})")
                                        << decodingError << QSizeF() << none;
        QTest::newRow("region without score") << QByteArray(R"({"regions": [{"type": "text", "bbox": [1, 2, 3, 4]}]})")
                                              << decodingError << QSizeF() << none;
        QTest::newRow("regions missing") << QByteArray(R"({"text": "hello"})") << decodingError << QSizeF() << none;
        QTest::newRow("regions not a list") << QByteArray(R"({"regions": {}})") << decodingError << QSizeF() << none;
        QTest::newRow("region not an object") << QByteArray(R"({"regions": [7]})") << decodingError << QSizeF() << none;
        QTest::newRow("text not a string")
            << QByteArray(R"({"text": 5, "regions": []})") << decodingError << QSizeF() << none;
        QTest::newRow("number beyond double")
            << QByteArray(R"({"regions": [{"type": "text", "score": 1e400, "bbox": [1, 2, 3, 4]}]})") << decodingError
            << QSizeF() << none;
        QTest::newRow("top level list") << QByteArray("[]") << decodingError << QSizeF() << none;
        QTest::newRow("truncated") << QByteArray(R"({"regions": [)") << decodingError << QSizeF() << none;
        QTest::newRow("trailing text") << QByteArray(R"({"regions": []} done)") << decodingError << QSizeF() << none;
        QTest::newRow("invalid UTF-8") << QByteArray("{\"text\": \"\xff\", \"regions\": []}") << decodingError
                                       << QSizeF() << none;
    }
    void parsesOutput()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, error);
        QFETCH(QSizeF, pageSize);
        QFETCH(QList<QRectF>, boxes);
        PaddleOCRBridgeOutput output;
        QCOMPARE(parseOutcome(json, QSizeF(800, 600), &output), error);
        if (!error.isEmpty())
            return;
        QCOMPARE(output.pageSize, pageSize);
        QList<QRectF> parsed;
        for (const LayoutRegion &region : output.regions)
            parsed.append(region.boundingBox);
        QCOMPARE(parsed, boxes);
    }

    void parserKeepsTextAndConfidenceAsGiven()
    {
        PaddleOCRBridgeOutput output;
        QCOMPARE(parseOutcome(R"({"text": " Grüße \n", "confidence": 0.25, "regions": []})", {}, &output), QString());
        QCOMPARE(output.text, std::optional<QString>(QStringLiteral(" Grüße \n")));
        QCOMPARE(output.confidence, std::optional<double>(0.25));
        QCOMPARE(parseOutcome(R"({"regions": []})", {}, &output), QString());
        QVERIFY(!output.text && !output.confidence);
    }

    void readsTimeLimit_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<qint64>("milliseconds");
        QTest::newRow("unset") << QString() << qint64(6000);
        QTest::newRow("plain") << QStringLiteral("250") << qint64(250);
        QTest::newRow("plus sign") << QStringLiteral("+250") << qint64(250);
        QTest::newRow("zero") << QStringLiteral("0") << qint64(1);
        QTest::newRow("negative") << QStringLiteral("-5") << qint64(1);
        QTest::newRow("letters") << QStringLiteral("abc") << qint64(6000);
        QTest::newRow("leading space") << QStringLiteral(" 250") << qint64(6000);
        QTest::newRow("two signs") << QStringLiteral("+-5") << qint64(6000);
        QTest::newRow("exponent") << QStringLiteral("1e3") << qint64(6000);
        QTest::newRow("non-ASCII digits") << QStringLiteral("٣٠٠") << qint64(6000);
        QTest::newRow("beyond 64 bits") << QStringLiteral("9223372036854775808") << qint64(6000);
        QTest::newRow("largest 64-bit value") << QStringLiteral("9223372036854775807") << qint64(2147483647);
    }
    void readsTimeLimit()
    {
        QFETCH(QString, value);
        QFETCH(qint64, milliseconds);
        QCOMPARE(qint64(ProcessBackedPaddleOCRBridge::timeLimit(value).count()), milliseconds);
    }

    void choosesInterpreter_data()
    {
        QTest::addColumn<QString>("bridge");
        QTest::addColumn<bool>("throughPython");
        QTest::newRow("py") << QStringLiteral("/opt/b/bridge.py") << true;
        QTest::newRow("PY in capitals") << QStringLiteral("/opt/b/bridge.PY") << true;
        QTest::newRow("mixed case") << QStringLiteral("/opt/b/bridge.Py") << true;
        QTest::newRow("executable") << QStringLiteral("/opt/b/bridge") << false;
        QTest::newRow("pyc") << QStringLiteral("/opt/b/bridge.pyc") << false;
        QTest::newRow("py folder") << QStringLiteral("/opt/b.py/bridge") << false;
    }
    void choosesInterpreter()
    {
        QFETCH(QString, bridge);
        QFETCH(bool, throughPython);
        const auto how = ProcessBackedPaddleOCRBridge::invocation(bridge, QStringLiteral("/tmp/i.png"));
        const ProcessBackedPaddleOCRBridge::Invocation expected =
            throughPython ? ProcessBackedPaddleOCRBridge::Invocation{QStringLiteral("/usr/bin/env"),
                                                                     {QStringLiteral("python3"), bridge,
                                                                      QStringLiteral("/tmp/i.png")}}
                          : ProcessBackedPaddleOCRBridge::Invocation{bridge, {QStringLiteral("/tmp/i.png")}};
        QCOMPARE(how.program, expected.program);
        QCOMPARE(how.arguments, expected.arguments);
    }

    void runsBridgeProcess_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("timeLimit");
        QTest::addColumn<QString>("error");
        QTest::addColumn<int>("regionCount");
        const QString regions =
            QStringLiteral(R"({"regions": [{"type": "text", "score": 0.9, "bbox": [0, 0, 4, 4]}]})");

        QTest::newRow("valid output") << QStringLiteral("echo '%1'").arg(regions) << QString() << QString() << 1;
        QTest::newRow("talks on standard error too")
            << QStringLiteral("echo noise >&2; echo '%1'").arg(regions) << QString() << QString() << 1;
        QTest::newRow("megabytes before the document")
            << QStringLiteral("head -c 5000000 /dev/zero | tr '\\0' ' '; echo '%1'").arg(regions) << QString()
            << QString() << 1;
        QTest::newRow("prints nothing") << QStringLiteral("exit 0") << QString() << invalidOutput << 0;
        QTest::newRow("invalid JSON") << QStringLiteral("echo '{\"regions\": ['") << QString() << decodingError << 0;
        QTest::newRow("bad region kind")
            << QStringLiteral(R"(echo '{"regions": [{"type": "photo", "score": 1, "bbox": [0, 0, 1, 1]}]}')")
            << QString() << invalidOutput << 0;
        QTest::newRow("exits non-zero") << QStringLiteral("echo '%1'; exit 3").arg(regions) << QString() << unavailable
                                        << 0;
        QTest::newRow("killed by a signal") << QStringLiteral("kill -KILL $$") << QString() << unavailable << 0;
        QTest::newRow("never ends") << QStringLiteral("sleep 30") << QStringLiteral("300") << timedOut << 0;
        QTest::newRow("ignores termination")
            << QStringLiteral("trap '' TERM; while :; do sleep 0.05; done") << QStringLiteral("300") << timedOut << 0;
        QTest::newRow("endless output") << QStringLiteral("yes") << QStringLiteral("60000") << invalidOutput << 0;
        QTest::newRow("waits for input") << QStringLiteral("cat; echo '%1'").arg(regions) << QString() << QString()
                                         << 1;
    }
    void runsBridgeProcess()
    {
        QFETCH(QString, script);
        QFETCH(QString, timeLimit);
        QFETCH(QString, error);
        QFETCH(int, regionCount);
        const QString pidFile = m_scripts.filePath(QStringLiteral("pid"));
        QFile::remove(pidFile);
        const QString bridge =
            writeScript(QStringLiteral("bridge.sh"), QStringLiteral("echo $$ > '%1'\n%2\n").arg(pidFile, script));
        qputenv("ORVANTA_PADDLE_OCR_TIMEOUT_MS", timeLimit.toUtf8());
        QElapsedTimer clock;
        clock.start();
        const TaskOutcome<PaddleOCRBridgeOutput> outcome = analyze(bridge);
        if (error == decodingError)
            QVERIFY2(outcome.error.startsWith(QLatin1String("The layout bridge output could not be decoded")),
                     qPrintable(outcome.error));
        else
            QCOMPARE(outcome.error, error);
        if (error.isEmpty())
            QCOMPARE(outcome.value->regions.size(), regionCount);
        QVERIFY2(clock.elapsed() < 20000, "the bridge run must end soon after its time limit");
        verifyNoLeftovers(pidFile);
    }

    void logsStandardErrorOfFailedBridge()
    {
        const QString bridge =
            writeScript(QStringLiteral("failing.sh"), QStringLiteral("echo ' model missing ' >&2\nexit 3\n"));
        qputenv("ORVANTA_PADDLE_OCR_TIMEOUT_MS", "");
        QTest::ignoreMessage(QtWarningMsg, "Paddle bridge failed: model missing");
        QCOMPARE(analyze(bridge).error, unavailable);
        verifyNoLeftovers({});
    }

    void failsWithoutUsableBridge_data()
    {
        QTest::addColumn<QString>("bridge");
        QTest::addColumn<bool>("launchError");
        QTest::newRow("variable unset") << QString() << false;
        QTest::newRow("variable empty") << QStringLiteral("") << false;
        QTest::newRow("missing program") << m_scripts.filePath(QStringLiteral("nowhere")) << true;
        QTest::newRow("not executable") << QStringLiteral("plain") << true;
    }
    void failsWithoutUsableBridge()
    {
        QFETCH(QString, bridge);
        QFETCH(bool, launchError);
        if (bridge == QLatin1String("plain")) {
            bridge = writeScript(QStringLiteral("plain.sh"), QStringLiteral("echo '{\"regions\": []}'\n"));
            QFile::setPermissions(bridge, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        }
        const TaskOutcome<PaddleOCRBridgeOutput> outcome = analyze(bridge);
        QVERIFY(!outcome.value);
        if (launchError)
            QVERIFY2(!outcome.error.isEmpty() && outcome.error != unavailable, qPrintable(outcome.error));
        else
            QCOMPARE(outcome.error, unavailable);
        verifyNoLeftovers({});
    }

    void handsBridgeAPrivatePngOfTheCapture()
    {
        // The bridge reports what it was given through its text.
        const QString copy = m_scripts.filePath(QStringLiteral("copy.png"));
        const QString bridge = writeScript(
            QStringLiteral("inspect.PY"),
            QStringLiteral("import json, os, shutil, stat, sys\n"
                           "path = sys.argv[1]\n"
                           "shutil.copy(path, %1)\n"
                           "mode = stat.S_IMODE(os.stat(path).st_mode)\n"
                           "print(json.dumps({'regions': [], 'text': os.path.basename(path) + ' ' + oct(mode)}))\n")
                .arg(QLatin1String("'") + copy + QLatin1String("'")));
        const QImage capture = sampleCapture(120, 80);
        const TaskOutcome<PaddleOCRBridgeOutput> outcome = analyze(bridge, capture);
        QVERIFY2(outcome.value, qPrintable(outcome.error));
        const QString reported = outcome.value->text.value_or(QString());
        static const QRegularExpression expected(
            QStringLiteral("^orvanta-[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\.png 0o600\n?$"));
        QVERIFY2(expected.match(reported).hasMatch(), qPrintable(reported));
        QCOMPARE(QImage(copy).convertToFormat(QImage::Format_RGB32), capture);
        QCOMPARE(outcome.value->pageSize, QSizeF(120, 80));
        verifyNoLeftovers({});
    }

    void unencodableCaptureFailsBeforeRunning()
    {
        const QString bridge = writeScript(QStringLiteral("unused.sh"), QStringLiteral("exit 0\n"));
        QCOMPARE(analyze(bridge, QImage()).error,
                 QStringLiteral("The screenshot could not be prepared for image understanding."));
    }

    void exitRacingTheTimeLimitEndsOnce()
    {
        // With a 1 ms limit the exit and the watchdog race; either outcome is fine, both or
        // neither is not, and the caller must be resumed exactly once each time.
        const QString bridge = writeScript(QStringLiteral("quick.sh"), QStringLiteral("echo '{\"regions\": []}'\n"));
        qputenv("ORVANTA_PADDLE_OCR_TIMEOUT_MS", "1");
        for (int run = 0; run < 10; ++run) {
            const TaskOutcome<PaddleOCRBridgeOutput> outcome = analyze(bridge);
            QVERIFY2(outcome.value.has_value() != (outcome.error == timedOut), qPrintable(outcome.error));
        }
        qputenv("ORVANTA_PADDLE_OCR_TIMEOUT_MS", "");
        verifyNoLeftovers({});
    }

    void servesCapturesFromOneProcess_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<int>("starts");
        QTest::newRow("answers every frame") << R"(echo '{"regions": [], "text": "served"}')"
                                             << "served" << 1;
        QTest::newRow("dies on a frame: per capture, then restarted") << "exit 3"
                                                                      << "per capture" << 2;
        QTest::newRow("cannot read a frame") << R"(echo '{"error": "model missing"}')" << unavailable << 1;
        QTest::newRow("never answers: stopped, then restarted") << "sleep 30" << timedOut << 2;
    }
    void servesCapturesFromOneProcess()
    {
        QFETCH(QString, answer);
        QFETCH(QString, outcome);
        const QString starts = m_scripts.filePath(QStringLiteral("starts"));
        QFile::remove(starts);
        QVERIFY(QDir(m_scripts.path()).mkpath(QStringLiteral("shipped")));
        qputenv("ORVANTA_PADDLE_OCR_BRIDGE",
                writeScript(QStringLiteral("shipped/orvanta-layout-bridge"),
                            QStringLiteral(
                                "[ \"$1\" = --serve ] || exec echo '{\"regions\": [], \"text\": \"per capture\"}'\n"
                                "echo >> '%1'\n"
                                "while read kind width height; do head -c $((width * height)) >/dev/null; %2; done\n")
                                .arg(starts, answer))
                    .toUtf8());
        qputenv("ORVANTA_PADDLE_OCR_TIMEOUT_MS", answer.startsWith(QLatin1String("sleep")) ? "300" : "");
        {
            ServingLayoutBridge serving(std::make_shared<ProcessBackedPaddleOCRBridge>());
            for (int capture = 0; capture < 2; ++capture) {
                CapturedSelection selection;
                selection.cgImage = sampleCapture(64, 48);
                selection.imageSize = QSizeF(64, 48);
                const TaskOutcome<PaddleOCRBridgeOutput> result = runToEnd(serving.analyze(selection));
                QCOMPARE(result.value ? result.value->text.value_or(QString()) : result.error, outcome);
            }
        }
        QFile file(starts);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QTEST(int(file.readAll().count('\n')), "starts");
        verifyNoLeftovers({});
    }

private:
    QString writeScript(const QString &name, const QString &body)
    {
        const QString path = m_scripts.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return {};
        if (!name.endsWith(QLatin1String("PY")))
            file.write("#!/bin/sh\n");
        file.write(body.toUtf8());
        file.close();
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        return path;
    }

    TaskOutcome<PaddleOCRBridgeOutput> analyze(const QString &bridge, const QImage &image = sampleCapture(64, 48))
    {
        if (bridge.isNull())
            qunsetenv("ORVANTA_PADDLE_OCR_BRIDGE");
        else
            qputenv("ORVANTA_PADDLE_OCR_BRIDGE", bridge.toUtf8());
        CapturedSelection selection;
        selection.cgImage = image;
        selection.imageSize = QSizeF(image.size());
        ProcessBackedPaddleOCRBridge processBridge;
        return runToEnd(processBridge.analyze(selection));
    }

    void verifyNoLeftovers(const QString &pidFile)
    {
        QVERIFY2(QDir(m_temp.path()).entryList(QDir::Files | QDir::Hidden).isEmpty(), "temporary PNG left behind");
        if (pidFile.isEmpty() || !QFile::exists(pidFile))
            return;
        QFile file(pidFile);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray pid = file.readAll().trimmed();
        // Reaped children vanish from /proc; a zombie would still be listed.
        QVERIFY2(!QFile::exists(QStringLiteral("/proc/%1").arg(QString::fromLatin1(pid))), "bridge child not reaped");
    }

    QTemporaryDir m_scripts;
    QTemporaryDir m_temp;
};

int runLayoutBridgeTests(int argc, char **argv)
{
    LayoutBridgeTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_layout_bridge.moc"
