#include <QtTest>

#include "app/ApplicationManager.h"
#include "drawing/AbstractPath.h"
#include "drawing/QPainterImplementation.h"
#include "support/RecordingPainter.h"

#include <QPainter>

#include <cmath>
#include <functional>
#include <memory>

using namespace kiv;

using Probes = QVector<QPoint>;
using Action = std::function<void(QPainterImplementation&)>;
Q_DECLARE_METATYPE(Action)

namespace {

const float Pi = float(M_PI);

// A white image with a QPainter on it, and the painter implementation over it.
struct Canvas
{
    explicit Canvas(int size = 100)
        : image(size, size, QImage::Format_ARGB32)
        , painter(float(size), float(size))
    {
        image.fill(Qt::white);
        qpainter.begin(&image);
    }

    bool isDark(const QPoint& p) const { return qRed(image.pixel(p)) < 128; }
    bool isWhite(const QPoint& p) const { return image.pixel(p) == qRgb(255, 255, 255); }
    // Ends painting, then checks which probes were drawn over.
    void checkProbes(const Probes& dark, const Probes& white)
    {
        qpainter.end();
        for (const QPoint& p : dark)
            QVERIFY2(isDark(p), qPrintable(QStringLiteral("(%1, %2) not dark").arg(p.x()).arg(p.y())));
        for (const QPoint& p : white)
            QVERIFY2(isWhite(p), qPrintable(QStringLiteral("(%1, %2) not white").arg(p.x()).arg(p.y())));
    }

    QImage image;
    QPainter qpainter;
    QPainterImplementation painter;
};

} // namespace

class TestQPainterImplementation : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ApplicationManager> m_application;

private slots:
    void initTestCase() { m_application = std::make_unique<ApplicationManager>(nullptr); }
    void cleanup() { m_application->setLogicalToPhysicalMultiplier(1.0); }

    void newPainterKeepsQtPenStyles()
    {
        Canvas canvas;
        canvas.painter.setPainter(&canvas.qpainter);
        QCOMPARE(canvas.painter.lineWidth(), 1.0f);
        QCOMPARE(canvas.painter.capStyle(), 1);
        QCOMPARE(canvas.painter.joinStyle(), 1);
        QCOMPARE(canvas.painter.fillMode(), 2);
        QVERIFY(canvas.painter.color().empty());
        QCOMPARE(canvas.qpainter.pen().capStyle(), Qt::SquareCap);
        QCOMPARE(canvas.qpainter.pen().joinStyle(), Qt::BevelJoin);
        QVERIFY(canvas.qpainter.testRenderHint(QPainter::Antialiasing));
        canvas.painter.setCapStyle(1);
        canvas.painter.setJoinStyle(2);
        QCOMPARE(canvas.qpainter.pen().capStyle(), Qt::RoundCap);
        QCOMPARE(canvas.qpainter.pen().joinStyle(), Qt::RoundJoin);
    }

    void colours_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("stored");
        QTest::newRow("bare hex") << "00ff00" << "#00ff00";
        QTest::newRow("upper case") << "#FF0000" << "#ff0000";
        QTest::newRow("colour name") << "white" << "#ffffff";
        QTest::newRow("unknown") << "nonsense" << "#000000";
        QTest::newRow("empty") << "" << "#000000";
    }

    void colours()
    {
        QFETCH(QString, name);
        QFETCH(QString, stored);
        Canvas canvas;
        canvas.painter.setPainter(&canvas.qpainter);
        canvas.painter.setFillMode(1);
        canvas.painter.setColor(name.toStdString());
        QCOMPARE(QString::fromStdString(canvas.painter.color()), stored);
        QCOMPARE(canvas.qpainter.pen().color(), QColor(stored));
        QCOMPARE(canvas.qpainter.brush().color(), QColor(stored));
    }

    void penWidths_data()
    {
        QTest::addColumn<double>("uiScale");
        QTest::addColumn<QVector<float>>("factors");
        QTest::addColumn<float>("width");
        QTest::addColumn<double>("penWidth");
        QTest::newRow("both factors") << 1.5 << QVector<float>{2.0f} << 2.0f << 6.0;
        QTest::newRow("cosmetic") << 1.5 << QVector<float>{2.0f} << 0.0f << 0.0;
        QTest::newRow("factor 0 ignored") << 1.0 << QVector<float>{0.0f} << 2.0f << 2.0;
        QTest::newRow("factor -1 ignored") << 1.0 << QVector<float>{-1.0f} << 2.0f << 2.0;
        QTest::newRow("last valid factor") << 1.0 << QVector<float>{3.0f, 0.0f, 2.0f} << 1.5f << 3.0;
    }

    void penWidths()
    {
        QFETCH(double, uiScale);
        QFETCH(QVector<float>, factors);
        QFETCH(float, width);
        QFETCH(double, penWidth);
        m_application->setLogicalToPhysicalMultiplier(uiScale);
        Canvas canvas;
        for (float factor : factors)
            canvas.painter.setScaleFactor(factor);
        canvas.painter.setPainter(&canvas.qpainter);
        canvas.painter.setLineWidth(width);
        QCOMPARE(canvas.qpainter.pen().widthF(), penWidth);
    }

    void scaleFactorRescalesWholePixelWidth()
    {
        Canvas canvas;
        canvas.painter.setPainter(&canvas.qpainter);
        canvas.painter.setLineWidth(2.4f);
        canvas.painter.setScaleFactor(3.0f);
        canvas.painter.setFillMode(2);
        // 2.4 reads as 2 whole pixels: 2 / 1 * 3.
        QCOMPARE(canvas.qpainter.pen().widthF(), 6.0);
    }

    void scaledLineCoversItsRows()
    {
        m_application->setLogicalToPhysicalMultiplier(1.5);
        Canvas canvas;
        canvas.painter.setScaleFactor(2.0f);
        canvas.painter.setPainter(&canvas.qpainter);
        canvas.painter.setCapStyle(0);
        canvas.painter.setLineWidth(2.0f);
        canvas.painter.drawLine(0, 50, 100, 50);
        canvas.checkProbes({{50, 47}, {50, 52}}, {{50, 46}, {50, 53}});
        QCOMPARE(canvas.image.pixel(50, 47), qRgb(0, 0, 0));
        QCOMPARE(canvas.image.pixel(50, 52), qRgb(0, 0, 0));
    }

    void drawing_data()
    {
        QTest::addColumn<Action>("action");
        QTest::addColumn<Probes>("dark");
        QTest::addColumn<Probes>("white");
        auto arc = [](int mode, float end, bool clockwise) {
            return Action([=](QPainterImplementation& p) {
                p.setFillMode(mode);
                p.drawArc(50, 50, 40, 0, end, clockwise);
            });
        };
        QTest::newRow("arc counter-clockwise") << arc(2, Pi / 2, false) << Probes{{78, 21}} << Probes{{78, 78}, {65, 35}};
        QTest::newRow("arc clockwise") << arc(2, Pi / 2, true) << Probes{{78, 78}} << Probes{{78, 21}};
        QTest::newRow("pie fill only") << arc(0, Pi / 2, false) << Probes{{65, 35}} << Probes{{65, 65}};
        QTest::newRow("pie fill and outline") << arc(1, Pi / 2, true) << Probes{{65, 65}} << Probes{{65, 35}};
        QTest::newRow("full circle") << arc(2, 2 * Pi, false)
                                     << Probes{{89, 49}, {49, 10}, {10, 49}, {49, 89}} << Probes{{50, 50}};
        auto polyline = [](PainterPoints points) {
            return Action([=](QPainterImplementation& p) {
                p.setCapStyle(0);
                p.setLineWidth(10);
                p.drawPolyline(points);
            });
        };
        QTest::newRow("polyline of one point") << polyline({{50, 50}}) << Probes{} << Probes{{50, 50}};
        QTest::newRow("polyline without joins") << polyline({{20, 50}, {50, 50}, {50, 20}})
                                                << Probes{{35, 50}, {50, 35}} << Probes{{53, 53}};
        auto path = [](bool own) {
            return Action([=](QPainterImplementation& p) {
                test::RecordingPainter other(100, 100);
                const auto path = own ? p.createPath() : other.createPath();
                path->startSubpath(10, 50);
                path->lineTo(90, 50);
                p.drawPath(path);
            });
        };
        QTest::newRow("own path") << path(true) << Probes{{50, 50}} << Probes{};
        QTest::newRow("foreign path") << path(false) << Probes{} << Probes{{50, 50}};
        QTest::newRow("null path") << Action([](QPainterImplementation& p) { p.drawPath(nullptr); })
                                   << Probes{} << Probes{{50, 50}};
    }

    void drawing()
    {
        QFETCH(Action, action);
        QFETCH(Probes, dark);
        QFETCH(Probes, white);
        Canvas canvas;
        canvas.painter.setPainter(&canvas.qpainter);
        canvas.painter.setLineWidth(2);
        action(canvas.painter);
        canvas.checkProbes(dark, white);
    }

    void nothingWithoutQPainter_data()
    {
        QTest::addColumn<Action>("action");
        QTest::newRow("polyline") << Action([](QPainterImplementation& p) { p.drawPolyline({{10, 50}, {90, 50}}); });
        QTest::newRow("line") << Action([](QPainterImplementation& p) { p.drawLine(10, 50, 90, 50); });
        QTest::newRow("arc") << Action([](QPainterImplementation& p) { p.drawArc(50, 50, 40, 0, 7, false); });
        QTest::newRow("path") << Action([](QPainterImplementation& p) {
            auto path = p.createPath();
            path->startSubpath(10, 50);
            path->lineTo(90, 50);
            p.drawPath(path);
        });
        QTest::newRow("fill mode") << Action([](QPainterImplementation& p) { p.setFillMode(0); });
        QTest::newRow("colour") << Action([](QPainterImplementation& p) { p.setColor("red"); });
    }

    void nothingWithoutQPainter()
    {
        QFETCH(Action, action);
        Canvas canvas;
        QTest::ignoreMessage(QtWarningMsg, "No valid QPainter!");
        action(canvas.painter);
        canvas.checkProbes({}, {{50, 50}, {90, 50}});
    }
};

QTEST_MAIN(TestQPainterImplementation)
#include "tst_qpainterimplementation.moc"
