#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct CliRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

CliRun runCli(const QStringList &arguments, const QByteArray &input = {},
              const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess cli;
    cli.setProcessEnvironment(environment);
    cli.start(qEnvironmentVariable("ORVANTA_BIN_DIR") + QStringLiteral("/orvanta-cli"), arguments);
    cli.write(input);
    cli.closeWriteChannel();
    if (!cli.waitForFinished(120000))
        cli.kill();
    return {cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1, cli.readAllStandardOutput(),
            cli.readAllStandardError()};
}

} // namespace

class OrvantaCliTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void route_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("output");
        QTest::newRow("merges overlapping text")
            << QByteArray(R"({"page_width": 1000, "page_height": 1000, "regions": [
                   {"type": "text", "score": 0.8, "bbox": [0, 0, 1000, 990]},
                   {"type": "text", "score": 0.9, "bbox": [0, 0, 1000, 1000]},
                   {"type": "chart", "score": 0.1, "bbox": [0, 0, 10, 10]}]})")
            << 0
            << QByteArray(R"({"metrics":{"text_like_ratio":1.0,"non_text_ratio":0.0,"meaningful_table":false,)"
                          R"("meaningful_chart":false,"meaningful_formula":false,"meaningful_image":false,)"
                          R"("multi_column":false,"card_like_layout":false,"unstable_reading_order":false,)"
                          R"("safe_text":true,"filtered_region_count":2},"merged_regions":[{"type":"text",)"
                          R"("score":0.9,"x":0.0,"y":0.0,"width":1000.0,"height":1000.0}]})"
                          "\n");
        QTest::newRow("merged regions in shortest form")
            << QByteArray(R"({"page_width": 3, "page_height": 1, "regions": [
                   {"type": "title", "score": 0.1e1, "bbox": [0.1, 0, 1.1, 1]}]})")
            << 0 << QByteArray(R"([{"type":"title","score":1.0,"x":0.1,"y":0.0,"width":1.0,"height":1.0}]})");
        QTest::newRow("bad region") << QByteArray(
                                           R"({"regions": [{"type": "photo", "score": 1, "bbox": [0, 0, 1, 1]}]})")
                                    << 1 << QByteArray();
    }
    void route()
    {
        QFETCH(QByteArray, input);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, output);
        const CliRun run = runCli({QStringLiteral("route")}, input);
        QCOMPARE(run.exitCode, exitCode);
        if (exitCode != 0) {
            QCOMPARE(run.out, QByteArray());
            QCOMPARE(run.err, QByteArray("The Paddle bridge returned invalid layout output.\n"));
        } else if (output.endsWith('\n')) {
            QCOMPARE(run.out, output);
        } else {
            QVERIFY2(run.out.contains(output), run.out.constData());
        }
    }

    void trust_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("output");
        QTest::newRow("clean text") << QByteArray(R"({"text": "abcdefghijklmnopqrstuvwxy", "confidence": 0.8,
                                                     "line_count": 1})")
                                    << QByteArray("{\"trust\":true}\n");
        QTest::newRow("count as text") << QByteArray(R"({"text": "abc", "confidence": 1, "line_count": "3"})")
                                       << QByteArray();
    }
    void trust()
    {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, output);
        const CliRun run = runCli({QStringLiteral("trust")}, input);
        QCOMPARE(run.out, output);
        QCOMPARE(run.exitCode, output.isEmpty() ? 1 : 0);
        QCOMPARE(run.err.isEmpty(), !output.isEmpty());
    }

    void understandFollowsTheBridgeLayout()
    {
        QTemporaryDir dir;
        const QString bridge = dir.filePath(QStringLiteral("table-bridge.sh"));
        QFile script(bridge);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write(
            "#!/bin/sh\necho '{\"regions\": [{\"type\": \"table\", \"score\": 0.9, \"bbox\": [0, 0, 1500, 900]}]}'\n");
        script.close();
        script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QImage capture(1500, 900, QImage::Format_RGB32);
        capture.fill(Qt::white);
        const QString image = dir.filePath(QStringLiteral("capture.png"));
        QVERIFY(capture.save(image));

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("ORVANTA_PADDLE_OCR_BRIDGE"), bridge);
        const CliRun run = runCli({QStringLiteral("understand"), image}, {}, environment);
        QCOMPARE(run.exitCode, 0);
        static const QRegularExpression expected(QStringLiteral(
            R"(^\{"mode":"IMAGE","route_summary":\{"text_like_ratio":0\.0,"non_text_ratio":1\.0,)"
            R"("meaningful_table":true,"meaningful_chart":false,"meaningful_formula":false,"meaningful_image":false,)"
            R"("multi_column":false,"card_like_layout":false,"unstable_reading_order":false,"safe_text":false\},)"
            R"("filtered_region_count":1,)"
            R"("ocr":null,"image":\{"mime_type":"image/jpeg","width":1024,"height":614,"bytes":[1-9][0-9]*\}\}\n$)"));
        QVERIFY2(expected.match(QString::fromUtf8(run.out)).hasMatch(), run.out.constData());
    }

    void understandReportsUnreadableImage()
    {
        const CliRun run = runCli({QStringLiteral("understand"), QStringLiteral("/nonexistent/capture.png")});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.out.isEmpty());
        QVERIFY2(run.err.startsWith("Could not read the image /nonexistent/capture.png"), run.err.constData());
    }
};

int runOrvantaCliTests(int argc, char **argv)
{
    OrvantaCliTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_orvanta_cli.moc"
