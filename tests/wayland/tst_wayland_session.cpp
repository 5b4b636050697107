#include "AwaitTask.h"
#include "wayland/PortalScreenSnapshotSource.h"

#include <QGuiApplication>
#include <QPainter>
#include <QProcess>
#include <QRasterWindow>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

namespace {
// Coloured squares: any offset or scale error in a cut moves their edges.
class PatternWindow : public QRasterWindow
{
protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        constexpr int cell = 32;
        for (int y = 0; y < height(); y += cell) {
            for (int x = 0; x < width(); x += cell)
                painter.fillRect(x, y, cell, cell,
                                 QColor::fromHsv((x * 7 + y * 13) % 360, 200, 90 + (x / cell % 4) * 40));
        }
    }
};

bool run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(10'000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// The share of pixels whose colour differs visibly.
double differingShare(const QImage &a, const QImage &b)
{
    const QImage left = a.convertToFormat(QImage::Format_RGB32);
    const QImage right = b.convertToFormat(QImage::Format_RGB32);
    qint64 differing = 0;
    for (int y = 0; y < left.height(); ++y) {
        const auto *l = reinterpret_cast<const QRgb *>(left.constScanLine(y));
        const auto *r = reinterpret_cast<const QRgb *>(right.constScanLine(y));
        for (int x = 0; x < left.width(); ++x) {
            const int delta = std::max({std::abs(qRed(l[x]) - qRed(r[x])), std::abs(qGreen(l[x]) - qGreen(r[x])),
                                        std::abs(qBlue(l[x]) - qBlue(r[x]))});
            differing += delta > 24;
        }
    }
    return double(differing) / (qint64(left.width()) * left.height());
}
} // namespace

// The Screenshot portal on a real compositor: headless sway with two outputs, the second at
// scale 2, and the portal stack of with-sway-session behind it.
class WaylandSessionTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        const QString unavailable = qEnvironmentVariable("ORVANTA_WAYLAND_UNAVAILABLE");
        if (!unavailable.isEmpty())
            QSKIP(qPrintable(QStringLiteral("No Wayland session to test in: ") + unavailable));
    }

    void frozenPicturesEqualWhatGrimShows()
    {
        const QList<QScreen *> screens = QGuiApplication::screens();
        QCOMPARE(screens.size(), 2);
        // One pattern window on each output.
        std::vector<std::unique_ptr<PatternWindow>> windows;
        for (QScreen *screen : screens) {
            QVERIFY(run(QStringLiteral("swaymsg"), {QStringLiteral("focus output ") + screen->name()}));
            windows.push_back(std::make_unique<PatternWindow>());
            windows.back()->show();
            QVERIFY(QTest::qWaitForWindowExposed(windows.back().get()));
        }
        QTest::qWait(500); // the compositor's next frame

        PortalScreenSnapshotSource source;
        const QList<QImage> pictures = awaitTask(source.freezeScreens(screens));
        QCOMPARE(pictures.size(), screens.size());
        QTemporaryDir dir;
        for (int i = 0; i < screens.size(); ++i) {
            const QString shown = dir.filePath(screens.at(i)->name() + QStringLiteral(".png"));
            QVERIFY(run(QStringLiteral("grim"), {QStringLiteral("-o"), screens.at(i)->name(), shown}));
            const QImage expected(shown);
            const QImage &picture = pictures.at(i);
            QCOMPARE(picture.devicePixelRatio(), screens.at(i)->devicePixelRatio());
            QCOMPARE(picture.size(), expected.size());
            // The portal pictures the desktop at the largest scale: the scale-1 output is scaled
            // down from it, so only its text edges may differ from grim's own picture of it.
            const double share = differingShare(picture, expected);
            QVERIFY2(
                share < 0.01,
                qPrintable(QStringLiteral("%1: %2 % of pixels differ").arg(screens.at(i)->name()).arg(share * 100)));
        }
    }
};

QTEST_MAIN(WaylandSessionTest)
#include "tst_wayland_session.moc"
