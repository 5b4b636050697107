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
        QTest::newRow("11 points wide") << QPointF(10, 10) << QPointF(21, 50) << QRectF(10, 10, 11, 40) << false;
        QTest::newRow("11 points that cover 12 whole points")
            << QPointF(10.5, 10) << QPointF(21.5, 50) << QRectF(10, 10, 12, 40) << true;
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
};

QTEST_GUILESS_MAIN(SelectionGeometryTest)
#include "tst_selection_geometry.moc"
