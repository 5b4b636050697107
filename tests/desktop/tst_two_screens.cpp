#include "CaptureDriver.h"
#include "capture/ScreenSelectionCaptureService.h"
#include "capture/ScreenSnapshotSourceFactory.h"

#include <QApplication>
#include <QTest>

// Runs under scripts/with-two-screens: DUMMY0 at the left, DUMMY1 to its right, each 1920 x 1080
// pixels, possibly at different scales (QT_SCREEN_SCALE_FACTORS).
class TwoScreensTest : public QObject
{
    Q_OBJECT
private:
    QList<SelectionOverlayWindow *> windowsOf(ScreenSelectionCaptureService &service)
    {
        return service.activeOverlayCoordinator() ? service.activeOverlayCoordinator()->windows()
                                                  : QList<SelectionOverlayWindow *>();
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariableIsSet("ORVANTA_TWO_SCREENS_UNAVAILABLE"))
            QSKIP(qPrintable(QStringLiteral("no two-screen X server: ") +
                             qEnvironmentVariable("ORVANTA_TWO_SCREENS_UNAVAILABLE")));
        QCOMPARE(QGuiApplication::screens().size(), 2);
        // The mixed-scale run must really mix them.
        if (qEnvironmentVariableIsSet("QT_SCREEN_SCALE_FACTORS"))
            QCOMPARE(QGuiApplication::screens().at(1)->devicePixelRatio(), 2.0);
    }

    void selectionFollowsThePressAndStaysOnItsScreen_data()
    {
        QTest::addColumn<int>("screenIndex");
        QTest::addColumn<QPointF>("to");
        QTest::addColumn<QRectF>("expectedLocal");
        QTest::newRow("on the left screen") << 0 << QPointF(300, 260) << QRectF(100, 80, 200, 180);
        QTest::newRow("on the right screen") << 1 << QPointF(300, 260) << QRectF(100, 80, 200, 180);
        // Released far past the left screen's right edge: the drag stops at that edge.
        QTest::newRow("clamped to its screen") << 0 << QPointF(5000, 200) << QRectF(100, 80, -1, 120);
    }
    void selectionFollowsThePressAndStaysOnItsScreen()
    {
        QFETCH(int, screenIndex);
        QFETCH(QPointF, to);
        QFETCH(QRectF, expectedLocal);
        QScreen *screen = QGuiApplication::screens().at(screenIndex);
        const QRectF frame(screen->geometry());
        if (expectedLocal.width() < 0)
            expectedLocal.setRight(frame.width());
        const QRect expectedGlobal = expectedLocal.translated(frame.topLeft()).toRect();
        PatternWindow pattern;
        pattern.setGeometry(expectedGlobal.adjusted(-20, -20, 20, 20));
        pattern.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pattern));
        QTest::qWait(100);
        const QImage expected = screenPixels(screen, expectedLocal.toRect());

        ScreenSelectionCaptureService service(makeScreenSnapshotSource());
        CaptureRun run;
        run.start(service);
        QTRY_COMPARE(windowsOf(service).size(), 2);
        const QList<SelectionOverlayWindow *> windows = windowsOf(service);
        for (SelectionOverlayWindow *window : windows)
            QVERIFY(QTest::qWaitForWindowExposed(window));
        pattern.hide();
        QCOMPARE(windows[0]->geometry(), QGuiApplication::screens()[0]->geometry());
        QCOMPARE(windows[1]->geometry(), QGuiApplication::screens()[1]->geometry());

        // A press on the other screen first: the later press moves the selection away from it.
        SelectionOverlayWindow *other = windows[1 - screenIndex];
        QTest::mousePress(other, Qt::LeftButton, {}, QPoint(50, 50));
        QVERIFY(other->selectionRect());
        QVERIFY(xdotool({QStringLiteral("mousemove"), QString::number(nativePoint(screen, QPointF(100, 80)).x()),
                         QString::number(nativePoint(screen, QPointF(100, 80)).y()), QStringLiteral("mousedown"),
                         QStringLiteral("1")}));
        QTRY_VERIFY(windows[screenIndex]->selectionRect().has_value());
        QVERIFY(!other->selectionRect());
        const QPoint end = screenIndex == 0 && to.x() > frame.width()
                               ? QPoint(int(to.x()), nativePoint(screen, QPointF(0, to.y())).y())
                               : nativePoint(screen, to);
        QVERIFY(xdotool({QStringLiteral("mousemove"), QString::number(end.x()), QString::number(end.y()),
                         QStringLiteral("mouseup"), QStringLiteral("1")}));
        QTRY_VERIFY(run.done);
        QCOMPARE(run.error, std::optional<CaptureError::Kind>());

        const CapturedSelection &selection = *run.selection;
        QCOMPARE(selection.selectionRect, QRectF(expectedGlobal));
        QCOMPARE(selection.referenceDisplayFrame, std::optional(frame));
        QCOMPARE(selection.cgImage.size(), (expectedLocal.size() * screen->devicePixelRatio()).toSize());
        QCOMPARE(selection.cgImage.convertToFormat(QImage::Format_RGB32), expected);
        QTRY_VERIFY(overlayWindows().isEmpty());
    }
};

QTEST_MAIN(TwoScreensTest)
#include "tst_two_screens.moc"
