#include "capture/SelectionGeometry.h"

#include <QTest>

using namespace SelectionGeometry;

class SelectionGeometryTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void dragsBecomeIntegralRectangles_data()
    {
        QTest::addColumn<QPointF>("from");
        QTest::addColumn<QPointF>("to");
        QTest::addColumn<QRectF>("expected");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("12 points") << QPointF(10, 10) << QPointF(22, 22) << QRectF(10, 10, 12, 12) << true;
        QTest::newRow("reverse drag") << QPointF(22, 22) << QPointF(10, 10) << QRectF(10, 10, 12, 12) << true;
        QTest::newRow("11 points wide") << QPointF(10, 10) << QPointF(21, 50) << QRectF(10, 10, 11, 40) << false;
        QTest::newRow("11 points that cover 12 whole points")
            << QPointF(10.5, 10) << QPointF(21.5, 50) << QRectF(10, 10, 12, 40) << true;
        QTest::newRow("a click") << QPointF(7.5, 7.5) << QPointF(7.5, 7.5) << QRectF(7, 7, 1, 1) << false;
        QTest::newRow("11 points high") << QPointF(0, 0) << QPointF(300, 11) << QRectF(0, 0, 300, 11) << false;
    }
    void dragsBecomeIntegralRectangles()
    {
        QFETCH(QPointF, from);
        QFETCH(QPointF, to);
        QFETCH(QRectF, expected);
        QFETCH(bool, accepted);
        QCOMPARE(spanned(from, to), expected);
        QCOMPARE(isLargeEnough(spanned(from, to)), accepted);
    }

    void pixelsFollowTheIntegralRectangle_data()
    {
        QTest::addColumn<QRectF>("rect");
        QTest::addColumn<QSizeF>("points");
        QTest::addColumn<QSize>("pixels");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("scale 1") << QRectF(310, 210, 100, 60) << QSizeF(1440, 900) << QSize(1440, 900)
                                 << QRect(310, 210, 100, 60);
        QTest::newRow("0.3 + 10.4 points at scale 2")
            << integral(QRectF(0.3, 5, 10.4, 12)) << QSizeF(720, 450) << QSize(1440, 900) << QRect(0, 10, 22, 24);
        QTest::newRow("scale 1.5 rounds halves up")
            << QRectF(11, 3, 13, 12) << QSizeF(1280, 720) << QSize(1920, 1080) << QRect(17, 5, 20, 18);
        QTest::newRow("kept inside the picture")
            << QRectF(1420, 880, 40, 40) << QSizeF(1440, 900) << QSize(1440, 900) << QRect(1420, 880, 20, 20);
        QTest::newRow("outside the picture")
            << QRectF(1500, 0, 20, 20) << QSizeF(1440, 900) << QSize(1440, 900) << QRect();
        QTest::newRow("no picture") << QRectF(0, 0, 20, 20) << QSizeF(1440, 900) << QSize() << QRect();
    }
    void pixelsFollowTheIntegralRectangle()
    {
        QFETCH(QRectF, rect);
        QFETCH(QSizeF, points);
        QFETCH(QSize, pixels);
        QFETCH(QRect, expected);
        QCOMPARE(pixelRect(rect, points, pixels), expected);
    }

    void cutKeepsThePointSize()
    {
        QImage picture(200, 100, QImage::Format_RGB32);
        picture.fill(Qt::black);
        picture.setPixelColor(21, 11, Qt::red);
        picture.setDevicePixelRatio(2);
        const QImage region = cut(picture, QSizeF(100, 50), QRectF(10, 5, 20, 12));
        QCOMPARE(region.size(), QSize(40, 24));
        QCOMPARE(region.deviceIndependentSize(), QSizeF(20, 12));
        QCOMPARE(region.pixelColor(1, 1), QColor(Qt::red));
        QVERIFY(cut(QImage(), QSizeF(100, 50), QRectF(10, 5, 20, 12)).isNull());
    }

    void glowSquaresMoveWithTheSelection_data()
    {
        QTest::addColumn<QRectF>("selection");
        QTest::addColumn<QRectF>("expected");
        // 1.18 x 1920 = 2265.6: (s - W) / 2 = 172.8 right of, (s - H) / 2 = 592.8 above the bottom-left corner.
        QTest::newRow("top left") << QRectF(0, 0, 100, 100) << QRectF(172.8, 100 - 592.8 - 2265.6, 2265.6, 2265.6);
        QTest::newRow("elsewhere") << QRectF(500, 300, 100, 50) << QRectF(672.8, 350 - 592.8 - 2265.6, 2265.6, 2265.6);
    }
    void glowSquaresMoveWithTheSelection()
    {
        QFETCH(QRectF, selection);
        QFETCH(QRectF, expected);
        const QRectF square = displayAnchoredSquare(selection, QSizeF(1920, 1080));
        QVERIFY2(qFuzzyCompare(square.x(), expected.x()) && qFuzzyCompare(square.y(), expected.y()) &&
                     qFuzzyCompare(square.width(), expected.width()),
                 qPrintable(QStringLiteral("%1 %2 %3").arg(square.x()).arg(square.y()).arg(square.width())));
        // Centred on the window: 1.6 x the longer side.
        QCOMPARE(windowCentredSquare(QRectF(0, 0, 100, 50), QSizeF(100, 50)), QRectF(-30, -55, 160, 160));
    }
};

QTEST_GUILESS_MAIN(SelectionGeometryTest)
#include "tst_selection_geometry.moc"
