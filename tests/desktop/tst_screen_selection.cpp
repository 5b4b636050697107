#include "CaptureDriver.h"
#include "capture/ScreenSelectionCaptureService.h"
#include "capture/ScreenSnapshotSourceFactory.h"
#include "desktop/CompositingManager.h"
#include "overlay/SelectionBorderView.h"
#include "overlay/SelectionMagicEffectView.h"
#include "overlay/SelectionMagicRenderer.h"
#include "overlay/SelectionOverlayWindow.h"
#include "panel/ResultOverlayPanelController.h"
#include "x11/X11Desktop.h"

#include <QApplication>
#include <QPainter>
#include <QPointer>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <xcb/xcb.h>

namespace {
xcb_connection_t *connection()
{
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

xcb_atom_t atom(const char *name)
{
    xcb_intern_atom_reply_t *reply =
        xcb_intern_atom_reply(connection(), xcb_intern_atom(connection(), 0, uint16_t(strlen(name)), name), nullptr);
    const xcb_atom_t result = reply->atom;
    free(reply);
    return result;
}

void setWindowProperty(xcb_window_t window, const char *name, xcb_atom_t type, int format, const QByteArray &value)
{
    xcb_change_property(connection(), XCB_PROP_MODE_REPLACE, window, atom(name), type, uint8_t(format),
                        uint32_t(value.size() * 8 / format), value.constData());
    xcb_flush(connection());
}

xcb_window_t rootWindow()
{
    return xcb_setup_roots_iterator(xcb_get_setup(connection())).data->root;
}

// The stacking order of the root window's children, bottom first.
QList<xcb_window_t> stackingOrder()
{
    xcb_query_tree_reply_t *tree =
        xcb_query_tree_reply(connection(), xcb_query_tree(connection(), rootWindow()), nullptr);
    const xcb_window_t *children = xcb_query_tree_children(tree);
    QList<xcb_window_t> order(children, children + xcb_query_tree_children_length(tree));
    free(tree);
    return order;
}
} // namespace

Q_DECLARE_METATYPE(std::optional<CaptureError::Kind>)
Q_DECLARE_METATYPE(std::optional<QString>)

class ScreenSelectionTest : public QObject
{
    Q_OBJECT
private:
    QScreen *screen() const { return QGuiApplication::primaryScreen(); }

private Q_SLOTS:
    void captureThroughTheXServer_data()
    {
        QTest::addColumn<QString>("gesture");
        QTest::addColumn<std::optional<CaptureError::Kind>>("error");
        const auto none = std::optional<CaptureError::Kind>();
        QTest::newRow("drag over the marker") << QStringLiteral("drag") << none;
        QTest::newRow("reverse drag") << QStringLiteral("reverse") << none;
        QTest::newRow("a click is too small")
            << QStringLiteral("click") << std::optional(CaptureError::Kind::selectionTooSmall);
        QTest::newRow("Escape cancels") << QStringLiteral("escape")
                                        << std::optional(CaptureError::Kind::selectionCancelled);
        QTest::newRow("right click cancels")
            << QStringLiteral("right") << std::optional(CaptureError::Kind::selectionCancelled);
    }
    void captureThroughTheXServer()
    {
        QFETCH(QString, gesture);
        QFETCH(std::optional<CaptureError::Kind>, error);
        PatternWindow marker;
        marker.setGeometry(QRect(QPoint(150, 100), QSize(200, 150)));
        marker.show();
        QVERIFY(QTest::qWaitForWindowExposed(&marker));
        QTest::qWait(100);
        const QRect region(160, 110, 120, 80);
        const QImage expected = screenPixels(screen(), region);

        ScreenSelectionCaptureService service(makeScreenSnapshotSource());
        std::optional<QRectF> bridgedRect;
        QImage bridgedBackground;
        service.setSelectionBridge([&](const QRectF &rect, std::optional<QRectF> frame, const QImage &background) {
            bridgedRect = rect;
            QCOMPARE(frame, std::optional(QRectF(screen()->geometry())));
            bridgedBackground = background;
        });
        CaptureRun run;
        run.start(service);
        QTRY_COMPARE(overlayWindows().size(), 1);
        QVERIFY(QTest::qWaitForWindowExposed(overlayWindows().first()));
        marker.hide(); // the capture must come from the frozen picture, not a later grab
        QTest::qWait(50);

        if (gesture == QStringLiteral("escape"))
            QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("Escape")}));
        else if (gesture == QStringLiteral("right"))
            QVERIFY(xdotool({QStringLiteral("click"), QStringLiteral("3")}));
        else if (gesture == QStringLiteral("click"))
            QVERIFY(dragOn(screen(), QPointF(200, 200), QPointF(200, 200)));
        else if (gesture == QStringLiteral("reverse"))
            QVERIFY(dragOn(screen(), QRectF(region).bottomRight(), QRectF(region).topLeft()));
        else
            QVERIFY(dragOn(screen(), QRectF(region).topLeft(), QRectF(region).bottomRight()));
        QTRY_VERIFY(run.done);
        QCOMPARE(run.error, error);

        // Nothing is left behind: no overlay, no grab, no Escape filter.
        QVERIFY(!service.activeOverlayCoordinator());
        QTRY_VERIFY(overlayWindows().isEmpty());
        QVERIFY(!QWidget::keyboardGrabber());
        if (error)
            return;
        const CapturedSelection &selection = *run.selection;
        const double scale = screen()->devicePixelRatio();
        QCOMPARE(selection.selectionRect, QRectF(region));
        QCOMPARE(selection.cgImage.size(), region.size() * scale);
        QCOMPARE(selection.imageSize, QSizeF(region.size() * scale));
        QCOMPARE(selection.cgImage.convertToFormat(QImage::Format_RGB32), expected);
        QCOMPARE(selection.frameDescription, QStringLiteral("120 x 80 at x:160 y:110"));
        QCOMPARE(selection.previewLabel, QStringLiteral("User-selected region"));
        QCOMPARE(selection.referenceDisplayFrame, std::optional(QRectF(screen()->geometry())));
        QCOMPARE(bridgedRect, std::optional(QRectF(region)));
        // The frozen content under the selection, as large as the selection in points.
        QCOMPARE(bridgedBackground.deviceIndependentSize(), QSizeF(region.size()));
        bridgedBackground.setDevicePixelRatio(1);
        QCOMPARE(bridgedBackground.convertToFormat(QImage::Format_RGB32), expected);
    }

    void sourceApplicationIsTheActiveWindow_data()
    {
        QTest::addColumn<QByteArray>("wmClass");
        QTest::addColumn<QByteArray>("title");
        QTest::addColumn<bool>("active");
        QTest::addColumn<std::optional<QString>>("expected");
        QTest::newRow("class name") << QByteArray("editor\0Text Editor\0", 19) << QByteArray("notes.txt") << true
                                    << std::optional(QStringLiteral("Text Editor"));
        QTest::newRow("title without a class") << QByteArray() << QByteArray("Résumé – Viewer") << true
                                               << std::optional(QStringLiteral("Résumé – Viewer"));
        QTest::newRow("no active window")
            << QByteArray("editor\0Text Editor\0", 19) << QByteArray() << false << std::optional<QString>();
    }
    void sourceApplicationIsTheActiveWindow()
    {
        QFETCH(QByteArray, wmClass);
        QFETCH(QByteArray, title);
        QFETCH(bool, active);
        QFETCH(std::optional<QString>, expected);
        const xcb_window_t window = xcb_generate_id(connection());
        xcb_create_window(connection(), XCB_COPY_FROM_PARENT, window, rootWindow(), 0, 0, 10, 10, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        setWindowProperty(window, "WM_CLASS", XCB_ATOM_STRING, 8, wmClass);
        setWindowProperty(window, "_NET_WM_NAME", atom("UTF8_STRING"), 8, title);
        const xcb_window_t activeWindow = active ? window : xcb_window_t(XCB_WINDOW_NONE);
        setWindowProperty(rootWindow(), "_NET_ACTIVE_WINDOW", XCB_ATOM_WINDOW, 32,
                          QByteArray(reinterpret_cast<const char *>(&activeWindow), sizeof activeWindow));
        QCOMPARE(X11Desktop::activeWindowApplicationName(), expected);
        xcb_delete_property(connection(), rootWindow(), atom("_NET_ACTIVE_WINDOW"));
        xcb_destroy_window(connection(), window);
        xcb_flush(connection());
    }

    void glowDrawsOnlyInsideItsRoundedClip_data()
    {
        QTest::addColumn<QRectF>("clip");
        QTest::addColumn<double>("fadeOut");
        QTest::addColumn<bool>("drawn");
        QTest::newRow("full strength") << QRectF(20, 20, 160, 100) << 1.0 << true;
        QTest::newRow("half way") << QRectF(20, 20, 160, 100) << 0.5 << true;
        QTest::newRow("faded out") << QRectF(20, 20, 160, 100) << 0.0 << false;
        QTest::newRow("clip 4 points wide") << QRectF(20, 20, 4, 100) << 1.0 << false;
    }
    void glowDrawsOnlyInsideItsRoundedClip()
    {
        QFETCH(QRectF, clip);
        QFETCH(double, fadeOut);
        QFETCH(bool, drawn);
        QImage image(200, 140, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        const QImage blank = image;
        QPainter painter(&image);
        SelectionMagicRenderer::draw(painter, clip, QRectF(0, -200, 400, 400), fadeOut);
        painter.end();
        const QColor inside = image.pixelColor(clip.center().toPoint());
        QCOMPARE(inside != QColor(Qt::white), drawn);
        if (drawn)
            QVERIFY2(inside.blue() > inside.red(), qPrintable(inside.name()));   // a blue tint
        QCOMPARE(image.pixelColor(10, 10), QColor(Qt::white));                   // outside the clip
        QCOMPARE(image.pixelColor(clip.topLeft().toPoint()), QColor(Qt::white)); // the rounded corner
        if (!drawn)
            QCOMPARE(image, blank);
    }

    void grainHasAFloorOf220Points_data()
    {
        QTest::addColumn<QRectF>("content");
        QTest::addColumn<int>("points");
        QTest::newRow("100 x 100") << QRectF(0, 0, 100, 100) << 220;
        QTest::newRow("1000 x 1000") << QRectF(0, 0, 1000, 1000) << 238;
        QTest::newRow("a 1920 display's square") << QRectF(0, 0, 2265.6, 2265.6) << 1222;
    }
    void grainHasAFloorOf220Points()
    {
        QFETCH(QRectF, content);
        QFETCH(int, points);
        QCOMPARE(SelectionMagicRenderer::ditherPointCount(content), points);
    }

    void decorationWindowsLetClicksThrough()
    {
        PatternWindow marker;
        marker.setGeometry(100, 100, 300, 200);
        marker.show();
        QVERIFY(QTest::qWaitForWindowExposed(&marker));
        const QRectF selection(150, 150, 120, 80);
        QPointer<QWidget> border = SelectionBorderView::showAround(nullptr, selection);
        QPointer<QWidget> glow = SelectionMagicEffectView::showAt(nullptr, selection.adjusted(-2, -2, 2, 2).toRect(),
                                                                  true, QRectF(screen()->geometry()), QImage());
        QCOMPARE(border->geometry(), QRect(149, 149, 122, 82));
        QCOMPARE(glow->geometry(), QRect(148, 148, 124, 84));
        QVERIFY(QTest::qWaitForWindowExposed(border) && QTest::qWaitForWindowExposed(glow));
        const QList<xcb_window_t> order = stackingOrder();
        QVERIFY(order.indexOf(xcb_window_t(marker.winId())) < order.indexOf(xcb_window_t(glow->winId())));

        // A move reuses the border window.
        QCOMPARE(SelectionBorderView::showAround(border, selection.translated(10, 0)), border.data());
        const QPoint inside = nativePoint(screen(), QPointF(210, 190));
        QVERIFY(xdotool({QStringLiteral("mousemove"), QString::number(inside.x()), QString::number(inside.y()),
                         QStringLiteral("click"), QStringLiteral("1")}));
        QTRY_COMPARE(marker.presses, 1);
        delete border;
    }

    void decorationNeedsACompositingManager()
    {
        const auto decorations = [] {
            const QList<QWidget *> windows = QApplication::topLevelWidgets();
            return std::count_if(windows.cbegin(), windows.cend(), [](QWidget *window) {
                return window->isVisible() && (qobject_cast<SelectionBorderView *>(window) ||
                                               qobject_cast<SelectionMagicEffectView *>(window));
            });
        };
        QTRY_COMPARE_WITH_TIMEOUT(decorations(), 0, 5000); // an earlier glow ends by itself
        const QRectF selection(200, 200, 300, 120);
        ResultOverlayPanelController panel;
        QVERIFY(!compositingManagerIsRunning()); // the plain Xvfb of the test scripts
        panel.beginSelectionBridge(selection, QRectF(screen()->geometry()), QImage());
        QCOMPARE(decorations(), 0);

        QProcess compositor;
        compositor.start(QStringLiteral("xcompmgr"), {});
        if (!compositor.waitForStarted())
            QSKIP("xcompmgr is not installed");
        QTRY_VERIFY(compositingManagerIsRunning());
        panel.beginSelectionBridge(selection, QRectF(screen()->geometry()), QImage());
        QCOMPARE(decorations(), 2);
        // The glow lies beneath the border.
        QList<qsizetype> stacking;
        const QList<xcb_window_t> order = stackingOrder();
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (qobject_cast<SelectionMagicEffectView *>(window) && window->isVisible())
                stacking.prepend(order.indexOf(xcb_window_t(window->winId())));
            else if (qobject_cast<SelectionBorderView *>(window) && window->isVisible())
                stacking.append(order.indexOf(xcb_window_t(window->winId())));
        }
        QVERIFY2(stacking.size() == 2 && stacking[0] < stacking[1], "the glow is not beneath the border");
        panel.close();
        QTRY_COMPARE(decorations(), 0);
        compositor.terminate();
        compositor.waitForFinished();
    }

    void glowRunEndsOnceAndARestartNeedsNoSecondTimer()
    {
        int finishedCalls = 0;
        SelectionMagicEffectView view(QRect(10, 10, 200, 100), QImage(), [&] { ++finishedCalls; });
        QVERIFY(view.isAnimating());
        QVERIFY(view.fadeOut() > 0.9);
        QTest::qWait(600);
        view.restartAnimation();
        QVERIFY(view.fadeOut() > 0.9);
        // 1.1 s after the first start the restarted run is still going.
        QTest::qWait(600);
        QCOMPARE(finishedCalls, 0);
        QVERIFY(view.isAnimating());
        QTRY_COMPARE_WITH_TIMEOUT(finishedCalls, 1, 5000);
        QVERIFY(!view.isAnimating());
        QCOMPARE(view.fadeOut(), 0.0);
        QTest::qWait(100);
        QCOMPARE(finishedCalls, 1);
    }

    void finishedGlowWindowRemovesItself()
    {
        QPointer<QWidget> glow =
            SelectionMagicEffectView::showAt(nullptr, QRect(20, 20, 100, 60), true, std::nullopt, QImage());
        QVERIFY(glow->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!glow, 5000);
    }
};

QTEST_MAIN(ScreenSelectionTest)
#include "tst_screen_selection.moc"
