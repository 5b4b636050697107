#include "AwaitTask.h"
#include "wayland/PortalScreenSnapshotSource.h"

#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

// The Screenshot portal on a real compositor: headless sway with two outputs, the second at
// scale 2, showing a pattern of coloured squares, and the portal stack of with-sway-session.
class WaylandSessionTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void frozenPicturesEqualWhatGrimShows()
    {
        if (qEnvironmentVariableIsSet("ORVANTA_WAYLAND_UNAVAILABLE"))
            QSKIP(qPrintable(QStringLiteral("No Wayland session: ") +
                             qEnvironmentVariable("ORVANTA_WAYLAND_UNAVAILABLE")));
        const QList<QScreen *> screens = QGuiApplication::screens();
        QCOMPARE(screens.size(), 2);
        const QList<QImage> pictures = awaitTask(PortalScreenSnapshotSource().freezeScreens(screens));
        QTemporaryDir dir;
        for (int i = 0; i < screens.size(); ++i) {
            const QString shown = dir.filePath(screens.at(i)->name() + QStringLiteral(".png"));
            QCOMPARE(QProcess::execute(QStringLiteral("grim"), {QStringLiteral("-o"), screens.at(i)->name(), shown}),
                     0);
            const QImage expected(shown);
            const QImage &picture = pictures.at(i);
            QCOMPARE(picture.devicePixelRatio(), screens.at(i)->devicePixelRatio());
            QCOMPARE(picture.size(), expected.size());
            // The portal pictures the whole desktop at its largest scale, so the scale-1 output
            // comes scaled down from it: only the bar's text edges may differ from grim's picture.
            qint64 differing = 0;
            for (int y = 0; y < picture.height(); ++y) {
                for (int x = 0; x < picture.width(); ++x) {
                    const QColor a = picture.pixelColor(x, y), b = expected.pixelColor(x, y);
                    differing += std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                                           std::abs(a.blue() - b.blue())}) > 24;
                }
            }
            QVERIFY2(differing * 100 < qint64(picture.width()) * picture.height(), qPrintable(screens.at(i)->name()));
        }
    }
};

QTEST_MAIN(WaylandSessionTest)
#include "tst_wayland_session.moc"
