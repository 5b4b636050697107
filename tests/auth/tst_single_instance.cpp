#include "TemporaryHome.h"
#include "auth/BrowserWebAuthenticationSession.h"
#include "auth/SingleInstanceChannel.h"

#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace {
QString helperPath()
{
    return qEnvironmentVariable("ORVANTA_BIN_DIR") + QStringLiteral("/orvanta-test-handover");
}

// Runs the second process and returns its exit code (-1 when it did not finish).
int runHelper(const QStringList &arguments)
{
    QProcess helper;
    helper.start(helperPath(), arguments);
    // The first instance answers from this process's event loop, so wait without blocking it.
    if (!helper.waitForStarted() || !QTest::qWaitFor([&] { return helper.state() == QProcess::NotRunning; }, 10'000))
        return -1;
    return helper.exitStatus() == QProcess::NormalExit ? helper.exitCode() : -1;
}

// Leaves a socket file behind with nobody listening, as a crashed instance does.
bool makeDeadSocketFile(const QString &path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.toLocal8Bit().constData(), sizeof(address.sun_path) - 1);
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) == 0;
    ::close(fd);
    return bound && QFileInfo::exists(path);
}

} // namespace

class SingleInstanceTest : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<TemporaryHome> m_home;
    QString socketPath() const { return m_home->filePath(QStringLiteral("orvanta.socket")); }

private Q_SLOTS:
    void init() { m_home = std::make_unique<TemporaryHome>(); }

    void secondProcessHandsOver_data()
    {
        QTest::addColumn<QString>("url"); // empty: a show request
        QTest::newRow("callback URL") << QStringLiteral(
            "com.orvanta.desktop.auth://auth/cognito?code=a%2Bb%20c&state=x_y-z");
        QTest::newRow("show yourself") << QString();
    }
    void secondProcessHandsOver()
    {
        QFETCH(QString, url);
        SingleInstanceChannel first(socketPath());
        QVERIFY(first.listen());
        SingleInstanceChannel second(socketPath());
        QVERIFY(!second.listen());
        QVERIFY(first.isListening());
        QSignalSpy urls(&first, &SingleInstanceChannel::urlReceived);
        QSignalSpy shows(&first, &SingleInstanceChannel::activationRequested);
        QStringList arguments{socketPath()};
        if (!url.isEmpty())
            arguments.append(url);
        QCOMPARE(runHelper(arguments), 0);
        QTRY_COMPARE(urls.size() + shows.size(), 1);
        if (url.isEmpty()) {
            QCOMPARE(shows.size(), 1);
        } else {
            QCOMPARE(urls.constFirst().constFirst().toUrl().toEncoded(), url.toUtf8());
        }
    }

    void handOverWithoutAFirstInstanceFails() { QCOMPARE(runHelper({socketPath(), QStringLiteral("x://y")}), 1); }

    void leftoversOfADeadInstanceAreRecovered()
    {
        QVERIFY(makeDeadSocketFile(socketPath()));
        SingleInstanceChannel next(socketPath());
        QVERIFY(next.listen());
        QSignalSpy urls(&next, &SingleInstanceChannel::urlReceived);
        QCOMPARE(runHelper({socketPath(), QStringLiteral("x://after-crash")}), 0);
        QTRY_COMPARE(urls.size(), 1);
    }

    void socketIsForItsOwnerOnly()
    {
        // A folder others may enter, so only the socket's own permissions keep them out.
        QVERIFY(QFile::setPermissions(m_home->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                          QFile::ExeGroup | QFile::ExeOther));
        SingleInstanceChannel channel(socketPath());
        QVERIFY(channel.listen());
        struct stat info
        {};
        QCOMPARE(::stat(socketPath().toLocal8Bit().constData(), &info), 0);
        QVERIFY(S_ISSOCK(info.st_mode));
        QCOMPARE(info.st_mode & 077, 0u);
        QCOMPARE(info.st_uid, ::getuid());
    }

    void malformedMessagesAreIgnored_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("not a command") << QByteArray("hello\n");
        QTest::newRow("relative URL") << QByteArray("open just-text\n");
        QTest::newRow("endless line") << QByteArray(64 * 1024, 'x');
    }
    void malformedMessagesAreIgnored()
    {
        QFETCH(QByteArray, message);
        SingleInstanceChannel channel(socketPath());
        QVERIFY(channel.listen());
        QSignalSpy urls(&channel, &SingleInstanceChannel::urlReceived);
        QSignalSpy shows(&channel, &SingleInstanceChannel::activationRequested);
        QLocalSocket client;
        client.connectToServer(socketPath());
        QVERIFY(client.waitForConnected(2000));
        client.write(message);
        QTRY_COMPARE(client.state(), QLocalSocket::UnconnectedState);
        QCOMPARE(urls.size() + shows.size(), 0);
        QVERIFY(channel.isListening());
    }

    void browserSessionTakesOnlyItsOwnCallback()
    {
        SingleInstanceChannel channel(socketPath());
        QList<QUrl> opened;
        BrowserWebAuthenticationSession session(channel, [&](const QUrl &url) {
            opened.append(url);
            return true;
        });
        QSignalSpy completed(&session, &WebAuthenticationSession::completed);
        QSignalSpy cancelled(&session, &WebAuthenticationSession::cancelled);
        const QUrl page(QStringLiteral("https://auth.example.com/oauth2/authorize?x=1"));
        QVERIFY(session.start(page, QStringLiteral("com.orvanta.desktop.auth")));
        QCOMPARE(opened, QList<QUrl>{page});
        Q_EMIT channel.urlReceived(QUrl(QStringLiteral("https://example.com/?code=1")));
        QCOMPARE(completed.size(), 0);
        Q_EMIT channel.urlReceived(QUrl(QStringLiteral("COM.ORVANTA.DESKTOP.AUTH://auth/cognito?code=2")));
        Q_EMIT channel.urlReceived(QUrl(QStringLiteral("com.orvanta.desktop.auth://auth/cognito?code=3")));
        QCOMPARE(completed.size(), 1);
        QCOMPARE(completed.constFirst().constFirst().toUrl().query(), QStringLiteral("code=2"));
        session.cancel();
        QCOMPARE(cancelled.size(), 0);

        QVERIFY(session.start(page, QStringLiteral("com.orvanta.desktop.auth")));
        session.cancel();
        QCOMPARE(cancelled.size(), 1);
    }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "tst_single_instance.moc"
