#include <QtTest>

#include "drawing/TextBoxGeometry.h"

using kiv::TextBoxGeometry;
using Hit = TextBoxGeometry::Hit;

Q_DECLARE_METATYPE(TextBoxGeometry::Hit)

namespace {

const QSize Picture(800, 600);
// Left 100, top 100, right 299, bottom 199.
const QRect Box(100, 100, 200, 100);

constexpr int L = TextBoxGeometry::LeftEdge;
constexpr int T = TextBoxGeometry::TopEdge;
constexpr int R = TextBoxGeometry::RightEdge;
constexpr int B = TextBoxGeometry::BottomEdge;

} // namespace

class TestTextBoxGeometry : public QObject
{
    Q_OBJECT

private slots:
    void spanned_data()
    {
        QTest::addColumn<QPoint>("a");
        QTest::addColumn<QPoint>("b");
        QTest::addColumn<QRect>("rect");
        QTest::newRow("inside") << QPoint(10, 20) << QPoint(30, 50) << QRect(QPoint(10, 20), QPoint(30, 50));
        QTest::newRow("reversed") << QPoint(30, 50) << QPoint(10, 20) << QRect(QPoint(10, 20), QPoint(30, 50));
        QTest::newRow("negative is clamped to 0") << QPoint(-1, -5) << QPoint(30, 50)
                                                  << QRect(QPoint(0, 0), QPoint(30, 50));
        QTest::newRow("on the far border") << QPoint(10, 20) << QPoint(800, 600)
                                           << QRect(QPoint(10, 20), QPoint(800, 600));
        QTest::newRow("beyond the far border") << QPoint(10, 20) << QPoint(801, 900)
                                               << QRect(QPoint(10, 20), QPoint(800, 600));
        QTest::newRow("one point") << QPoint(5, 5) << QPoint(5, 5) << QRect(QPoint(5, 5), QPoint(5, 5));
    }

    void spanned()
    {
        QFETCH(QPoint, a);
        QFETCH(QPoint, b);
        QTEST(TextBoxGeometry::spanned(a, b, Picture), "rect");
    }

    void hit_data()
    {
        QTest::addColumn<QRect>("box");
        QTest::addColumn<QPoint>("press");
        QTest::addColumn<Hit>("hit");
        // Handles of 16: a margin of 8 on either side of the frame.
        QTest::newRow("centre") << Box << QPoint(200, 150) << Hit::Inside;
        QTest::newRow("on the shrunk box's edge") << Box << QPoint(108, 150) << Hit::Inside;
        QTest::newRow("just outside the shrunk box") << Box << QPoint(107, 150) << Hit::Frame;
        QTest::newRow("on the grown box's edge") << Box << QPoint(92, 150) << Hit::Frame;
        QTest::newRow("just outside the grown box") << Box << QPoint(91, 150) << Hit::Outside;
        QTest::newRow("below the bottom handles") << Box << QPoint(200, 208) << Hit::Outside;
        QTest::newRow("no box") << QRect() << QPoint(0, 0) << Hit::Outside;
    }

    void hit()
    {
        QFETCH(QRect, box);
        QFETCH(QPoint, press);
        QTEST(TextBoxGeometry::hit(box, press, 16.0), "hit");
    }

    void edgesAt_data()
    {
        QTest::addColumn<QRect>("box");
        QTest::addColumn<QPoint>("press");
        QTest::addColumn<double>("handleSize");
        QTest::addColumn<int>("edges");
        QTest::newRow("left") << Box << QPoint(100, 150) << 16.0 << L;
        QTest::newRow("half a handle left of the left edge") << Box << QPoint(92, 150) << 16.0 << L;
        QTest::newRow("beyond half a handle") << Box << QPoint(91, 150) << 16.0 << 0;
        QTest::newRow("half a handle inside") << Box << QPoint(108, 150) << 16.0 << L;
        QTest::newRow("bounds are truncated, low") << Box << QPoint(92, 150) << 15.0 << L;
        QTest::newRow("bounds are truncated, high") << Box << QPoint(108, 150) << 15.0 << 0;
        QTest::newRow("right") << Box << QPoint(299, 150) << 16.0 << R;
        QTest::newRow("top left corner") << Box << QPoint(100, 100) << 16.0 << (L | T);
        QTest::newRow("bottom right corner") << Box << QPoint(305, 205) << 16.0 << (R | B);
        QTest::newRow("narrow box: left wins") << QRect(100, 100, 4, 4) << QPoint(102, 102) << 16.0 << (L | T);
        QTest::newRow("middle") << Box << QPoint(200, 150) << 16.0 << 0;
    }

    void edgesAt()
    {
        QFETCH(QRect, box);
        QFETCH(QPoint, press);
        QFETCH(double, handleSize);
        QTEST(TextBoxGeometry::edgesAt(box, press, handleSize), "edges");
    }

    void resized_data()
    {
        QTest::addColumn<int>("axis");
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<int>("edges");
        QTest::addColumn<QRect>("box");
        QTest::addColumn<int>("edgesAfter");
        QTest::newRow("left moved in") << int(Qt::Horizontal) << QPoint(150, 0) << L
                                       << QRect(QPoint(150, 100), QPoint(299, 199)) << L;
        QTest::newRow("left one short of the right") << int(Qt::Horizontal) << QPoint(298, 0) << L
                                                     << QRect(QPoint(298, 100), QPoint(299, 199)) << L;
        QTest::newRow("left onto the right crosses") << int(Qt::Horizontal) << QPoint(299, 0) << L
                                                     << QRect(QPoint(299, 100), QPoint(299, 199)) << R;
        QTest::newRow("left past the right") << int(Qt::Horizontal) << QPoint(400, 0) << (L | T)
                                             << QRect(QPoint(299, 100), QPoint(400, 199)) << (R | T);
        QTest::newRow("right moved out") << int(Qt::Horizontal) << QPoint(350, 0) << R
                                         << QRect(QPoint(100, 100), QPoint(350, 199)) << R;
        QTest::newRow("right onto the left crosses") << int(Qt::Horizontal) << QPoint(100, 0) << R
                                                     << QRect(QPoint(100, 100), QPoint(100, 199)) << L;
        QTest::newRow("no horizontal edge caught") << int(Qt::Horizontal) << QPoint(10, 10) << T << Box << T;
        QTest::newRow("top past the bottom") << int(Qt::Vertical) << QPoint(0, 250) << T
                                             << QRect(QPoint(100, 199), QPoint(299, 250)) << B;
        QTest::newRow("bottom moved up") << int(Qt::Vertical) << QPoint(0, 150) << (B | R)
                                         << QRect(QPoint(100, 100), QPoint(299, 150)) << (B | R);
    }

    void resized()
    {
        QFETCH(int, axis);
        QFETCH(QPoint, point);
        QFETCH(int, edges);
        QTEST(TextBoxGeometry::resized(Box, Qt::Orientation(axis), point, edges), "box");
        QTEST(edges, "edgesAfter");
    }

    void moved_data()
    {
        QTest::addColumn<QPoint>("delta");
        QTest::addColumn<bool>("moves");
        QTest::newRow("inside") << QPoint(50, -20) << true;
        QTest::newRow("onto the top left corner") << QPoint(-100, -100) << true;
        QTest::newRow("one past the left") << QPoint(-101, 0) << false;
        QTest::newRow("onto the last column") << QPoint(500, 0) << true;
        QTest::newRow("one past the last column") << QPoint(501, 0) << false;
        QTest::newRow("one past the last row") << QPoint(0, 401) << false;
    }

    void moved()
    {
        QFETCH(QPoint, delta);
        QFETCH(bool, moves);
        const std::optional<QRect> box = TextBoxGeometry::moved(Box, delta, Picture);
        QCOMPARE(box.has_value(), moves);
        if (moves)
            QCOMPARE(*box, Box.translated(delta));
    }

    void defaultBox_data()
    {
        QTest::addColumn<QPoint>("centre");
        QTest::addColumn<QPoint>("topLeft");
        // A 320 x 120 box, handles of 16: a margin of 8.
        QTest::newRow("centred") << QPoint(400, 300) << QPoint(241, 241);
        QTest::newRow("touching the left") << QPoint(159, 300) << QPoint(0, 241);
        QTest::newRow("one past the left") << QPoint(158, 300) << QPoint(8, 241);
        QTest::newRow("at the right margin") << QPoint(632, 300) << QPoint(473, 241);
        QTest::newRow("one into the right margin") << QPoint(633, 300) << QPoint(473, 241);
        QTest::newRow("near the top left corner") << QPoint(10, 10) << QPoint(8, 8);
        QTest::newRow("at the bottom margin") << QPoint(400, 532) << QPoint(241, 473);
        QTest::newRow("near the bottom right corner") << QPoint(795, 595) << QPoint(473, 473);
    }

    void defaultBox()
    {
        QFETCH(QPoint, centre);
        QFETCH(QPoint, topLeft);
        QCOMPARE(TextBoxGeometry::defaultBox(centre, QSize(320, 120), Picture, 16.0), QRect(topLeft, QSize(320, 120)));
    }

    void handles()
    {
        const auto handles = TextBoxGeometry::handles(QRect(QPoint(10, 20), QPoint(21, 41)));
        const QList<QPoint> centres{{10, 20}, {15, 20}, {21, 20}, {21, 30}, {21, 41}, {15, 41}, {10, 41}, {10, 30}};
        const QList<int> edges{L | T, T, R | T, R, R | B, B, L | B, L};
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(handles[size_t(i)].centre, centres[i]);
            QCOMPARE(handles[size_t(i)].edges, edges[i]);
        }
    }
};

QTEST_GUILESS_MAIN(TestTextBoxGeometry)
#include "tst_textboxgeometry.moc"
