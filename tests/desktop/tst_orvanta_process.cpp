#include "DevServerProcess.h"
#include "FakeSessionService.h"
#include "TemporaryHome.h"
#include "auth/PersistedSession.h"
#include "settings/DeveloperSettingsStore.h"
#include "settings/QSettingsKeyValueStore.h"

#include <QFile>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QTest>

#include <csignal>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {
QString binary(const QString &name)
{
    return qEnvironmentVariable("ORVANTA_BIN_DIR") + QLatin1Char('/') + name;
}

// Runs a command to its end (without blocking this thread's event loop) and returns its exit
// code, or -1 when it did not finish in time.
int run(const QString &program, const QStringList &arguments, const QProcessEnvironment &environment,
        int timeoutMs = 10'000)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForStarted() ||
        !QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, timeoutMs))
        return -1;
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// The X window ids whose title matches `pattern` exactly (a regular expression for xdotool).
QStringList windowsNamed(const QString &pattern)
{
    QProcess xdotool;
    xdotool.start(u"xdotool"_s, {u"search"_s, u"--onlyvisible"_s, u"--name"_s, pattern});
    xdotool.waitForFinished(5000);
    return QString::fromUtf8(xdotool.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// The text on screen in another process's window, as recognised from a grab of it.
QString recognisedText(const QString &windowId, const QString &folder)
{
    const QString file = folder + u"/window.png"_s;
    if (!QGuiApplication::primaryScreen()->grabWindow(windowId.toULongLong()).save(file))
        return {};
    QProcess tesseract;
    tesseract.start(u"tesseract"_s, {file, u"stdout"_s});
    tesseract.waitForFinished(30'000);
    return QString::fromUtf8(tesseract.readAllStandardOutput()).simplified();
}

// The body of the last question the answer service received.
QJsonObject lastAnswerRequest(DevServerProcess &server)
{
    const std::optional<QJsonObject> request = server.lastRequest(u"/ai/answer"_s);
    if (!request)
        return {};
    return QJsonDocument::fromJson((*request)[u"body"_s].toString().toUtf8()).object();
}
} // namespace

// orvanta as the user meets it: real processes under the test's X server, each test with its own
// home, settings and runtime folder.
class OrvantaProcessTest : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<TemporaryHome> m_home;
    QProcessEnvironment m_environment;
    std::unique_ptr<QProcess> m_first;

    QString settingsPath() const { return m_home->filePath(u"config/Orvanta/Orvanta.conf"_s); }
    QString socketPath() const { return m_home->filePath(u"runtime/orvanta-%1.socket"_s.arg(::getuid())); }

    // Runs xdotool with the words of `command`, returning its exit code.
    int xdotool(const QString &command) { return run(u"xdotool"_s, command.split(QLatin1Char(' ')), m_environment); }

    bool startFirstInstance(const QStringList &arguments = {})
    {
        m_first = std::make_unique<QProcess>();
        m_first->setProcessEnvironment(m_environment);
        m_first->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_first->start(binary(u"orvanta"_s), arguments);
        return m_first->waitForStarted() && QTest::qWaitFor([&] { return QFile::exists(socketPath()); }, 15'000);
    }

    // A selection opens the answer panel; a typed question goes out on Return once the capture is
    // understood, its answer appears in the panel, and a follow-up carries the first turn.
    void askInTheAnswerPanel(DevServerProcess &server)
    {
        QCOMPARE(xdotool(u"key ctrl+shift+a"_s), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!windowsNamed(u"^Orvanta Selection$"_s).isEmpty(), 10'000);
        QCOMPARE(xdotool(QStringLiteral("mousemove 30 30 mousedown 1 sleep 0.1 mousemove 200 120 sleep 0.1 "
                                        "mousemove 420 260 sleep 0.1 mouseup 1")),
                 0);
        QStringList panel;
        QTRY_VERIFY_WITH_TIMEOUT(!(panel = windowsNamed(u"^Orvanta Answer$"_s)).isEmpty(), 10'000);
        QCOMPARE(xdotool(u"windowfocus "_s + panel.first()), 0);
        const auto ask = [&](const QString &question, int historySize) {
            if (run(u"xdotool"_s, {u"type"_s, question}, m_environment) != 0)
                return false;
            // Return does nothing while the capture is still being understood.
            return QTest::qWaitFor(
                [&] {
                    xdotool(u"key Return"_s);
                    QTest::qWait(300);
                    const QJsonObject body = lastAnswerRequest(server);
                    return body[u"question"_s].toString() == question &&
                           body[u"history"_s].toArray().size() == historySize;
                },
                30'000);
        };
        QVERIFY(ask(u"What does it say?"_s, 0));
        QTRY_VERIFY_WITH_TIMEOUT(recognisedText(panel.first(), m_home->path()).contains(u"Offline answer"_s), 20'000);
        QVERIFY(ask(u"And in short?"_s, 1));
        const QJsonObject firstTurn = lastAnswerRequest(server)[u"history"_s].toArray().first().toObject();
        QCOMPARE(firstTurn[u"question"_s].toString(), u"What does it say?"_s);
    }

private Q_SLOTS:
    void init()
    {
        m_home = std::make_unique<TemporaryHome>();
        m_environment = TemporaryHome::environment();
    }
    void cleanup()
    {
        if (m_first) {
            m_first->terminate();
            if (!m_first->waitForFinished(5000))
                m_first->kill();
            m_first->waitForFinished(2000);
            m_first.reset();
        }
        m_home.reset();
    }

    // A second launch hands its arguments to the first instance and exits; a termination signal
    // then ends the first like Quit, removing its socket and lock.
    void secondLaunchHandsOverAndSignalsEndLikeQuit_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("plain launch, SIGTERM") << QStringList{} << SIGTERM;
        QTest::newRow("sign-in callback URL, SIGINT")
            << QStringList{u"com.orvanta.desktop.auth://auth/cognito?code=abc&state=xyz"_s} << SIGINT;
    }
    void secondLaunchHandsOverAndSignalsEndLikeQuit()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, signalNumber);
        QVERIFY(startFirstInstance());
        QTRY_VERIFY_WITH_TIMEOUT(!windowsNamed(u"^Sign in to Orvanta$"_s).isEmpty(), 10'000);
        QCOMPARE(run(binary(u"orvanta"_s), arguments, m_environment), 0);
        QCOMPARE(m_first->state(), QProcess::Running);
        // Still exactly one sign-in window: the second process showed the first one's.
        QCOMPARE(windowsNamed(u"^Sign in to Orvanta$"_s).size(), 1);

        ::kill(static_cast<pid_t>(m_first->processId()), signalNumber);
        QVERIFY(m_first->waitForFinished(10'000));
        QCOMPARE(m_first->exitStatus(), QProcess::NormalExit);
        QVERIFY(!QFile::exists(socketPath()) && !QFile::exists(socketPath() + u".lock"_s));
    }

    void captureCommandStartsACapture_data()
    {
        QTest::addColumn<bool>("alreadyRunning");
        QTest::newRow("Orvanta running in the tray") << true;
        QTest::newRow("Orvanta not running") << false;
    }
    void captureCommandStartsACapture()
    {
        QFETCH(bool, alreadyRunning);
        QSettingsKeyValueStore(settingsPath())
            .setValue(PersistedSession::storageKey, PersistedSession::encode(*FakeSessionService::signedIn().session));
        if (alreadyRunning) {
            QVERIFY(startFirstInstance({u"--background"_s}));
            QCOMPARE(run(binary(u"orvanta"_s), {u"--capture"_s}, m_environment), 0);
        } else {
            QVERIFY(startFirstInstance({u"--capture"_s}));
        }
        QTRY_COMPARE_WITH_TIMEOUT(windowsNamed(u"^Orvanta Selection$"_s).size(), 1, 10'000);
        QCOMPARE(m_first->state(), QProcess::Running);
    }

    void signInThroughTheBrowserEndToEnd_data()
    {
        QTest::addColumn<bool>("ownServer");
        QTest::newRow("orvanta-devserver") << false;
        QTest::newRow("orvanta-server, with a passphrase") << true;
    }

    void signInThroughTheBrowserEndToEnd()
    {
        QFETCH(bool, ownServer);
        // The "browser" follows the authorize redirect like a signed-in user's browser would, or
        // posts orvanta-server's page with the user's name and passphrase, and lets the desktop
        // start orvanta with the callback URL.
        QByteArray follow = "callback=$(curl -s -o /dev/null -w '%{redirect_url}' \"$1\")\n";
        std::unique_ptr<DevServerProcess> server;
        if (ownServer) {
            const auto write = [&](const QString &name, const QByteArray &content) {
                QFile file(m_home->filePath(name));
                return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
            };
            const QString config = m_home->filePath(u"server.conf"_s);
            QVERIFY(write(u"server.conf"_s, "[server]\nport=0\ndata=" + m_home->filePath(u"server"_s).toUtf8() +
                                                "\n[model]\nurl=http://127.0.0.1:9/v1\n"));
            QVERIFY(write(u"passphrase"_s, "end to end\n"));
            QCOMPARE(run(binary(u"orvanta-server"_s),
                         {u"user"_s, u"add"_s, u"alice"_s, u"--config"_s, config, u"--passphrase-file"_s,
                          m_home->filePath(u"passphrase"_s)},
                         m_environment, 30'000),
                     0);
            server = std::make_unique<DevServerProcess>(
                DevServerProcess::Program{u"orvanta-server"_s, {u"serve"_s, u"--config"_s, config}});
            follow = "callback=$(curl -s -o /dev/null -w '%{redirect_url}' --data-urlencode \"request=${1#*\\?}\" "
                     "-d user=alice --data-urlencode 'passphrase=end to end' \"${1%%\\?*}\")\n";
        } else {
            server = std::make_unique<DevServerProcess>();
        }
        QVERIFY2(server->isRunning(), qPrintable(server->errorString()));
        {
            QSettingsKeyValueStore settings(settingsPath());
            settings.setValue(SettingsKeys::cognitoDomainURL, server->baseUrlString());
            settings.setValue(SettingsKeys::hostedBackendBaseURL, server->baseUrlString());
        }
        QVERIFY(m_home->useAsBrowser(follow + "[ -n \"$callback\" ] || exit 1\n"
                                              "exec \"$ORVANTA_UNDER_TEST\" \"$callback\"\n"));
        m_environment = TemporaryHome::environment();
        m_environment.insert(u"ORVANTA_UNDER_TEST"_s, binary(u"orvanta"_s));

        QVERIFY(startFirstInstance());
        QStringList signIn;
        QTRY_VERIFY_WITH_TIMEOUT(!(signIn = windowsNamed(u"^Sign in to Orvanta$"_s)).isEmpty(), 10'000);
        // Focus the window and press the focused "Continue with Google" button.
        QCOMPARE(xdotool(u"windowfocus "_s + signIn.first()), 0);
        QTest::qWait(300);
        QCOMPARE(xdotool(u"key space"_s), 0);

        QTRY_VERIFY_WITH_TIMEOUT(!windowsNamed(u"^Orvanta$"_s).isEmpty(), 20'000);
        QVERIFY(windowsNamed(u"^Sign in to Orvanta$"_s).isEmpty());
        QSettingsKeyValueStore stored(settingsPath());
        const std::optional<UserSession> session =
            PersistedSession::decode(stored.value(PersistedSession::storageKey).toByteArray());
        QVERIFY(session);
        QCOMPARE(session->provider, AuthProvider::google);

        // Signed in, the global shortcut starts a selection over the frozen screen; Escape ends it.
        QCOMPARE(xdotool(u"key ctrl+shift+a"_s), 0);
        QStringList selection;
        QTRY_VERIFY_WITH_TIMEOUT(!(selection = windowsNamed(u"^Orvanta Selection$"_s)).isEmpty(), 10'000);
        QCOMPARE(xdotool(u"windowfocus "_s + selection.first()), 0);
        QCOMPARE(xdotool(u"key Escape"_s), 0);
        QTRY_VERIFY_WITH_TIMEOUT(windowsNamed(u"^Orvanta Selection$"_s).isEmpty(), 10'000);

        if (!ownServer) // the development server records what it was asked
            askInTheAnswerPanel(*server);

        // The next launch restores the session: the sign-in screen never appears.
        m_first->terminate();
        QVERIFY(m_first->waitForFinished(5000));
        QVERIFY(startFirstInstance());
        QTRY_VERIFY_WITH_TIMEOUT(!windowsNamed(u"^Orvanta$"_s).isEmpty(), 10'000);
        QVERIFY(windowsNamed(u"^Sign in to Orvanta$"_s).isEmpty());
    }
};

QTEST_MAIN(OrvantaProcessTest)
#include "tst_orvanta_process.moc"
