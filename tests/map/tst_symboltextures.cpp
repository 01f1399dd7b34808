#include "app/ApplicationManager.h"
#include "map/SymbolTextures.h"

#include <QGuiApplication>
#include <QtTest>

using namespace kiv;

namespace {

bool isEmptyPixel(const unsigned char* p)
{
    return p[0] == 0xFF && p[1] == 0xFF && p[2] == 0xFF && p[3] == 0x00;
}

} // namespace

class TestSymbolTextures : public QObject
{
    Q_OBJECT

    std::unique_ptr<ApplicationManager> manager;

private slots:
    void initTestCase() { manager = std::make_unique<ApplicationManager>(qGuiApp); }
    void init() { manager->setLogicalToPhysicalMultiplier(1.0); }
    void cleanupTestCase() { manager.reset(); }

    void symbolSizeAndCapacity_data()
    {
        QTest::addColumn<double>("scale");
        QTest::addColumn<int>("maxSize");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("capacity");
        QTest::newRow("1") << 1.0 << 4096 << 46 << 7921;
        QTest::newRow("1.5") << 1.5 << 4096 << 69 << 3481;
        QTest::newRow("1.33 truncates") << 1.33 << 4096 << 61 << 67 * 67;
        QTest::newRow("1.25 truncates") << 1.25 << 4096 << 57 << 71 * 71;
        QTest::newRow("texture below a cell") << 1.0 << 40 << 46 << 1;
        QTest::newRow("10") << 10.0 << 4096 << 460 << 64;
    }

    void symbolSizeAndCapacity()
    {
        QFETCH(double, scale);
        QFETCH(int, maxSize);
        QFETCH(int, size);
        QFETCH(int, capacity);
        QCOMPARE(SymbolTextures::symbolSize(scale, 1.0), size);
        QCOMPARE(SymbolTextures::capacity(maxSize, scale, 1.0), capacity);
        manager->setLogicalToPhysicalMultiplier(scale);
        QCOMPARE(SymbolTextures::symbolSize(), size);
        QCOMPARE(SymbolTextures::capacity(maxSize), capacity);
    }

    void layout_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("cell");
        QTest::addColumn<float>("s");
        QTest::addColumn<float>("t");
        QTest::newRow("3") << 3 << 256 << 64 << 1 << 3 << 2 << 0.359375f << 0.28125f;
        QTest::newRow("10") << 10 << 512 << 64 << 1 << 10 << 0 << 0.0f << 0.28125f;
        QTest::newRow("89, one row") << 89 << 4096 << 64 << 1 << 89 << 88 << 88 * 46 / 4096.0f << 0.28125f;
        // A squarer grid halves the texels of the 89-wide one.
        QTest::newRow("90, last row") << 90 << 1024 << 256 << 5 << 22 << 89 << 46 / 1024.0f << 0.1015625f;
        QTest::newRow("90, first row") << 90 << 1024 << 256 << 5 << 22 << 1 << 46 / 1024.0f << 0.8203125f;
    }

    void layout()
    {
        QFETCH(int, count);
        SymbolTextures atlas;
        atlas.setCount(count);
        atlas.allocate(4096);
        QTEST(atlas.width(), "width");
        QTEST(atlas.height(), "height");
        QTEST(atlas.rows(), "rows");
        QTEST(atlas.columns(), "columns");
        QCOMPARE(atlas.cellTexWidth(), 46.0f / float(atlas.width()));
        QCOMPARE(atlas.cellTexHeight(), 46.0f / float(atlas.height()));
        QFETCH(int, cell);
        const auto [s, t] = atlas.texCoords(cell);
        QTEST(s, "s");
        QTEST(t, "t");
        QCOMPARE(atlas.image()->s(), atlas.width());
        QCOMPARE(atlas.texture()->getFilter(osg::Texture::MIN_FILTER), osg::Texture::NEAREST);
    }

    void annotationAtlasCellsHoldTheirSymbols()
    {
        SymbolTextures atlas;
        atlas.build(Qt::red, 4096);
        QCOMPARE(atlas.count(), 3);
        QCOMPARE(atlas.width(), 256);
        QCOMPARE(atlas.height(), 64);
        QCOMPARE(atlas.cellTexWidth(), 0.1796875f);
        QCOMPARE(atlas.cellTexHeight(), 0.71875f);
        QCOMPARE(atlas.texCoords(0), std::make_pair(0.0f, 0.28125f));
        const osg::Image* image = atlas.image();
        QCOMPARE(image->getPixelFormat(), GLenum(GL_RGBA));
        int drawn[3] = {0, 0, 0};
        for (int y = 0; y < image->t(); ++y) {
            for (int x = 0; x < image->s(); ++x) {
                const bool inCells = x < 3 * 46 && y >= image->t() - 46;
                const unsigned char* p = image->data(x, y);
                if (!inCells)
                    QVERIFY2(isEmptyPixel(p), qPrintable(QStringLiteral("%1, %2").arg(x).arg(y)));
                else if (!isEmptyPixel(p))
                    ++drawn[x / 46];
            }
        }
        QVERIFY(drawn[0] > 0 && drawn[1] > 0 && drawn[2] > 0);
    }

    void tinyTextureStillBuilds()
    {
        SymbolTextures atlas;
        atlas.build(Qt::blue, 40);
        QCOMPARE(atlas.columns(), 1);
        QCOMPARE(atlas.rows(), 3);
        QVERIFY(atlas.texture());
    }

    void noColoursNoTexture()
    {
        SymbolTextures atlas;
        atlas.buildMarkers({}, {}, 4096);
        QCOMPARE(atlas.count(), 0);
        QCOMPARE(atlas.width(), 0);
        QVERIFY(!atlas.image());
        QVERIFY(!atlas.texture());
    }
};

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    TestSymbolTextures test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_symboltextures.moc"
