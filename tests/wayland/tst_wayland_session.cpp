#include "AwaitTask.h"
#include "WidgetProbes.h"
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
            QVERIFY2(differingShare(picture, expected, 24) < 0.01, qPrintable(screens.at(i)->name()));
        }
    }
};

QTEST_MAIN(WaylandSessionTest)
#include "tst_wayland_session.moc"
