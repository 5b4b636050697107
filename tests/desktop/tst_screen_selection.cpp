#include "CaptureDriver.h"
#include "capture/ScreenSelectionCaptureService.h"
#include "capture/ScreenSnapshotSourceFactory.h"
#include "x11/X11Desktop.h"

#include <QTest>

#include <xcb/xcb.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {
xcb_connection_t *connection()
{
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

xcb_window_t rootWindow()
{
    return xcb_setup_roots_iterator(xcb_get_setup(connection())).data->root;
}

// Marks `window` as the one the window manager calls active (none for 0).
void setActiveWindow(xcb_window_t window)
{
    const char name[] = "_NET_ACTIVE_WINDOW";
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&free)> atom(
        xcb_intern_atom_reply(connection(), xcb_intern_atom(connection(), 0, sizeof name - 1, name), nullptr), &free);
    xcb_change_property(connection(), XCB_PROP_MODE_REPLACE, rootWindow(), atom->atom, XCB_ATOM_WINDOW, 32, 1, &window);
    xcb_flush(connection());
}

} // namespace

Q_DECLARE_METATYPE(std::optional<CaptureError::Kind>)

class ScreenSelectionTest : public QObject
{
    Q_OBJECT
private:
    QScreen *screen() const { return QGuiApplication::primaryScreen(); }

private Q_SLOTS:
    void captureThroughTheXServer_data()
    {
        QTest::addColumn<QLineF>("drag");     // in points, over the region (160, 110) to (280, 190)
        QTest::addColumn<QStringList>("act"); // xdotool words instead of a drag
        QTest::addColumn<std::optional<CaptureError::Kind>>("error");
        const auto cancelled = std::optional(CaptureError::Kind::selectionCancelled);
        const std::optional<CaptureError::Kind> none;
        QTest::newRow("drag over the marker") << QLineF(160, 110, 280, 190) << QStringList() << none;
        QTest::newRow("drag from bottom right") << QLineF(280, 190, 160, 110) << QStringList() << none;
        QTest::newRow("a click is too small")
            << QLineF(220, 150, 220, 150) << QStringList() << std::optional(CaptureError::Kind::selectionTooSmall);
        QTest::newRow("Escape cancels") << QLineF() << QStringList{u"key"_s, u"Escape"_s} << cancelled;
        QTest::newRow("right click cancels") << QLineF() << QStringList{u"click"_s, u"3"_s} << cancelled;
    }
    void captureThroughTheXServer()
    {
        QFETCH(QLineF, drag);
        QFETCH(QStringList, act);
        QFETCH(std::optional<CaptureError::Kind>, error);
        PatternWindow marker;
        marker.setGeometry(150, 100, 200, 150);
        marker.show();
        QVERIFY(QTest::qWaitForWindowExposed(&marker));
        QTest::qWait(100);
        const QRect region(160, 110, 120, 80);
        const QImage expected = screenPixels(screen(), region);

        ScreenSelectionCaptureService service(makeScreenSnapshotSource());
        std::optional<QRectF> bridgedRect;
        service.setSelectionBridge([&](const QRectF &rect, std::optional<QRectF> frame, const QImage &) {
            bridgedRect = rect;
            QCOMPARE(frame, std::optional(QRectF(screen()->geometry())));
        });
        CaptureRun run;
        run.start(service);
        QTRY_COMPARE(overlayWindows().size(), QGuiApplication::screens().size());
        QVERIFY(QTest::qWaitForWindowExposed(overlayWindows().first()));
        marker.hide(); // the capture must come from the frozen picture, not a later grab
        QTest::qWait(50);
        const QRectF from(region);
        QVERIFY(act.isEmpty() ? dragOn(screen(), drag.p1(), drag.p2()) : xdotool(act));
        QTRY_VERIFY(run.done);
        QCOMPARE(run.error, error);

        // Nothing is left behind: no overlay, no grab, no Escape filter.
        QVERIFY(!service.activeOverlayCoordinator());
        QTRY_VERIFY(overlayWindows().isEmpty());
        QVERIFY(!QWidget::keyboardGrabber());
        if (error)
            return;
        const CapturedSelection &selection = *run.selection;
        QCOMPARE(selection.selectionRect, from);
        QCOMPARE(selection.imageSize, QSizeF(region.size() * screen()->devicePixelRatio()));
        QCOMPARE(selection.cgImage.convertToFormat(QImage::Format_RGB32), expected);
        QCOMPARE(bridgedRect, std::optional(from));
    }

    void initTestCase()
    {
        // Qt names the class of its windows (WM_CLASS) after the application.
        QCoreApplication::setApplicationName(u"Text Editor"_s);
    }

    void sourceApplicationIsTheActiveWindow()
    {
        QWidget window;
        setActiveWindow(xcb_window_t(window.winId()));
        QCOMPARE(X11Desktop::activeWindowApplicationName(), std::optional(u"Text Editor"_s));
        setActiveWindow(XCB_WINDOW_NONE);
        QCOMPARE(X11Desktop::activeWindowApplicationName(), std::optional<QString>());
    }

    // On two screens side by side (scripts/with-two-screens), possibly at different scales.
    void selectionFollowsThePressAndStaysOnItsScreen_data()
    {
        QTest::addColumn<int>("screenIndex");
        QTest::addColumn<QPointF>("to");
        QTest::addColumn<QRectF>("expectedLocal");
        QTest::newRow("on the left screen") << 0 << QPointF(300, 260) << QRectF(100, 80, 200, 180);
        QTest::newRow("on the right screen") << 1 << QPointF(300, 260) << QRectF(100, 80, 200, 180);
        // Released far past the left screen's right edge: the drag stops at that edge.
        QTest::newRow("clamped to its screen") << 0 << QPointF(5000, 200) << QRectF(100, 80, 1820, 120);
    }
    void selectionFollowsThePressAndStaysOnItsScreen()
    {
        if (QGuiApplication::screens().size() != 2)
            QSKIP(qPrintable(u"needs two screens: "_s +
                             qEnvironmentVariable("ORVANTA_TWO_SCREENS_UNAVAILABLE", u"one screen here"_s)));
        // The mixed-scale run must really mix them.
        if (qEnvironmentVariableIsSet("QT_SCREEN_SCALE_FACTORS"))
            QCOMPARE(QGuiApplication::screens().at(1)->devicePixelRatio(), 2.0);
        QFETCH(int, screenIndex);
        QFETCH(QPointF, to);
        QFETCH(QRectF, expectedLocal);
        QScreen *screen = QGuiApplication::screens().at(screenIndex);
        const QRectF frame(screen->geometry());
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
        QTRY_COMPARE(overlayWindows().size(), 2);
        const QList<SelectionOverlayWindow *> windows = service.activeOverlayCoordinator()->windows();
        for (int i = 0; i < 2; ++i) {
            QVERIFY(QTest::qWaitForWindowExposed(windows[i]));
            QCOMPARE(windows[i]->geometry(), QGuiApplication::screens()[i]->geometry());
        }
        pattern.hide();

        // A press on the other screen first: the later press moves the selection away from it.
        SelectionOverlayWindow *other = windows[1 - screenIndex];
        QTest::mousePress(other, Qt::LeftButton, {}, QPoint(50, 50));
        QVERIFY(other->selectionRect());
        QVERIFY(xdotool(moveTo(nativePoint(screen, QPointF(100, 80))) + QStringList{u"mousedown"_s, u"1"_s}));
        QTRY_VERIFY(windows[screenIndex]->selectionRect().has_value());
        QVERIFY(!other->selectionRect());
        // The X server keeps the pointer on its screens; the overlay keeps the drag on its own.
        QVERIFY(xdotool(moveTo(nativePoint(screen, to)) + QStringList{u"mouseup"_s, u"1"_s}));
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

QTEST_MAIN(ScreenSelectionTest)
#include "tst_screen_selection.moc"
