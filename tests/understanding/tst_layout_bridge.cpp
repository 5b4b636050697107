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
const char *const oneRegion = R"({"regions": [{"type": "text", "score": 0.9, "bbox": [0, 0, 4, 4]}]})";

// The error, or the page size, the regions and any text and confidence.
QString parseOutcome(const QByteArray &json)
{
    try {
        const PaddleOCRBridgeOutput output = BridgeOutputParser::parse(json, QSizeF(800, 600));
        QString outcome = QStringLiteral("%1x%2 [%3]")
                              .arg(output.pageSize.width())
                              .arg(output.pageSize.height())
                              .arg(written(output.regions));
        if (output.text)
            outcome += QStringLiteral(" text '%1'").arg(*output.text);
        if (output.confidence)
            outcome += QStringLiteral(" confidence %1").arg(*output.confidence);
        return outcome;
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
        QTest::addColumn<QString>("outcome");
        const auto row = [](const char *name, const char *json, const QString &outcome) {
            QTest::newRow(name) << QByteArray(json) << outcome;
        };
        const auto parsed = [&](const char *name, const char *json, const char *outcome) {
            row(name, json, QString::fromUtf8(outcome));
        };

        row("empty output", "", invalidOutput);
        parsed("no regions", R"({"regions": []})", "800x600 []");
        parsed("page size given", R"({"page_width": 10.5, "page_height": 20, "regions": []})", "10.5x20 []");
        parsed("null width counts as absent", R"({"page_width": null, "regions": []})", "800x600 []");
        parsed("corners become origin and size",
               R"({"regions": [{"type": "table", "score": 0.7, "bbox": [10, 20, 110, 70], "x": 1}]})",
               "800x600 [table 0.7 10 20 100 50]");
        parsed("reversed corners kept", R"({"regions": [{"type": "text", "score": 1, "bbox": [10, 10, 5, 5]}]})",
               "800x600 [text 1 10 10 -5 -5]");
        parsed("text and confidence kept as given", R"({"text": " Grüße \n", "confidence": 0.25, "regions": []})",
               "800x600 [] text ' Grüße \n' confidence 0.25");
        row("three corners", R"({"regions": [{"type": "text", "score": 1, "bbox": [1, 2, 3]}]})", invalidOutput);
        row("five corners", R"({"regions": [{"type": "text", "score": 1, "bbox": [1, 2, 3, 4, 5]}]})", invalidOutput);
        row("kind in capitals", R"({"regions": [{"type": "Text", "score": 1, "bbox": [1, 2, 3, 4]}]})", invalidOutput);
        row("a decoding error anywhere wins", R"({"regions": [{"type": "bogus", "score": 1, "bbox": [1, 2, 3, 4]},
                                           {"type": "text", "score": "high", "bbox": [1, 2, 3, 4]}]})",
            decodingError);
        row("corner as text", R"({"regions": [{"type": "text", "score": 1, "bbox": [1, "2", 3, 4]}]})", decodingError);
        row("regions missing", R"({"text": "hello"})", decodingError);
        row("number beyond double", R"({"regions": [{"type": "text", "score": 1e400, "bbox": [1, 2, 3, 4]}]})",
            decodingError);
        row("truncated", R"({"regions": [)", decodingError);
    }
    void parsesOutput()
    {
        QFETCH(QByteArray, json);
        QTEST(parseOutcome(json), "outcome");
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
        QTest::addColumn<QString>("command");
        const auto row = [](const char *bridge, const char *command) { QTest::newRow(bridge) << bridge << command; };
        row("/opt/b/bridge.py", "/usr/bin/env python3 /opt/b/bridge.py /tmp/i.png");
        row("/opt/b/bridge.PY", "/usr/bin/env python3 /opt/b/bridge.PY /tmp/i.png");
        row("/opt/b/bridge", "/opt/b/bridge /tmp/i.png");
        row("/opt/b/bridge.pyc", "/opt/b/bridge.pyc /tmp/i.png");
        row("/opt/b.py/bridge", "/opt/b.py/bridge /tmp/i.png");
    }
    void choosesInterpreter()
    {
        QFETCH(QString, bridge);
        const auto how = ProcessBackedPaddleOCRBridge::invocation(bridge, QStringLiteral("/tmp/i.png"));
        QTEST((QStringList{how.program} + how.arguments).join(QLatin1Char(' ')), "command");
    }

    void runsBridgeProcess_data()
    {
        // The scripts find a document of one region in $R; on success that region must arrive.
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("timeLimit");
        const auto row = [](const char *name, const char *script, const QString &error, const char *timeLimit = "") {
            QTest::newRow(name) << script << error << timeLimit;
        };
        row("valid output", "echo \"$R\"", {});
        row("megabytes before the document", "head -c 5000000 /dev/zero | tr '\\0' ' '; echo \"$R\"", {});
        row("waits for input", "cat; echo \"$R\"", {});
        row("prints nothing", "exit 0", invalidOutput);
        row("exits non-zero", "echo \"$R\"; exit 3", unavailable);
        row("never ends", "sleep 30", timedOut, "300");
        row("ignores termination", "trap '' TERM; while :; do sleep 0.05; done", timedOut, "300");
        row("endless output", "yes", invalidOutput, "60000");
    }
    void runsBridgeProcess()
    {
        QFETCH(QString, script);
        QFETCH(QString, timeLimit);
        QFETCH(QString, error);
        const QString pidFile = m_scripts.filePath(QStringLiteral("pid"));
        QFile::remove(pidFile);
        const QString bridge =
            writeScript(QStringLiteral("bridge.sh"),
                        QStringLiteral("echo $$ > '%1'\nR='%2'\n%3\n").arg(pidFile, QLatin1String(oneRegion), script));
        qputenv("ORVANTA_PADDLE_OCR_TIMEOUT_MS", timeLimit.toUtf8());
        QElapsedTimer clock;
        clock.start();
        const TaskOutcome<PaddleOCRBridgeOutput> outcome = analyze(bridge);
        QCOMPARE(outcome.error, error);
        if (error.isEmpty())
            QCOMPARE(outcome.value->regions.size(), 1);
        QVERIFY2(clock.elapsed() < 20000, "the bridge run must end soon after its time limit");
        verifyNoLeftovers(pidFile);
    }

    void failsWithoutUsableBridge_data()
    {
        QTest::addColumn<QString>("bridge");
        QTest::addColumn<bool>("launchError");
        QTest::newRow("variable unset") << QString() << false;
        QTest::newRow("missing program") << m_scripts.filePath(QStringLiteral("nowhere")) << true;
    }
    void failsWithoutUsableBridge()
    {
        QFETCH(QString, bridge);
        QFETCH(bool, launchError);
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
