#include "geo/Map.h"
#include "geo/drivers/GDALOptions.h"

#include <QtTest>

#include <thread>

using namespace kiv::geo;

using Names = QStringList;

class TestMap : public QObject
{
    Q_OBJECT

private:
    static osg::ref_ptr<ImageLayer> layer(const QString& name)
    {
        return new ImageLayer(name, Drivers::GDALOptions());
    }

    static Names names(const Map& map)
    {
        Names out;
        for (const auto& l : map.getImageLayers())
            out << l->getName();
        return out;
    }

private slots:
    void ordering_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("layerName");
        QTest::addColumn<unsigned>("index");
        QTest::addColumn<Names>("expected");
        QTest::addColumn<bool>("changed");
        // Starting from [online, grid, a].
        QTest::newRow("insert at front") << "insert" << "x" << 0u << Names{"x", "online", "grid", "a"} << true;
        QTest::newRow("insert in middle") << "insert" << "x" << 2u << Names{"online", "grid", "x", "a"} << true;
        QTest::newRow("insert past end clamps") << "insert" << "x" << 99u << Names{"online", "grid", "a", "x"} << true;
        QTest::newRow("insert again ignored") << "insert" << "grid" << 0u << Names{"online", "grid", "a"} << false;
        QTest::newRow("move to front") << "move" << "a" << 0u << Names{"a", "online", "grid"} << true;
        QTest::newRow("move past end clamps") << "move" << "online" << 42u << Names{"grid", "a", "online"} << true;
        QTest::newRow("move stranger ignored") << "move" << "x" << 0u << Names{"online", "grid", "a"} << false;
        QTest::newRow("remove") << "remove" << "grid" << 0u << Names{"online", "a"} << true;
        QTest::newRow("remove stranger ignored") << "remove" << "x" << 0u << Names{"online", "grid", "a"} << false;
    }

    void ordering()
    {
        QFETCH(QString, operation);
        QFETCH(QString, layerName);
        QFETCH(unsigned, index);
        QFETCH(Names, expected);
        QFETCH(bool, changed);
        osg::ref_ptr<Map> map = new Map;
        osg::ref_ptr<ImageLayer> x = layer("x");
        for (const char* n : {"online", "grid", "a"})
            map->addImageLayer(layer(n).get());
        ImageLayer* target = map->getImageLayerByName(layerName);
        if (!target)
            target = x.get();
        const Revision before = map->getRevision();
        if (operation == "insert")
            map->insertImageLayer(target, index);
        else if (operation == "move")
            map->moveImageLayer(target, index);
        else
            map->removeImageLayer(target);
        QCOMPARE(names(*map), expected);
        QCOMPARE(map->getRevision() != before, changed);
    }

    void readersGetACopy()
    {
        osg::ref_ptr<Map> map = new Map;
        osg::ref_ptr<ImageLayer> a = layer("a");
        map->addImageLayer(a.get());
        ImageLayerVector copy;
        const Revision r = map->getImageLayers(copy);
        map->removeImageLayer(a.get());
        QCOMPARE(copy.size(), size_t(1));
        QCOMPARE(copy.front().get(), a.get());
        QVERIFY(map->getRevision() > r);
        QCOMPARE(map->getIndexOfImageLayer(a.get()), -1);
        QVERIFY(!map->getImageLayerAt(0));
        map->insertImageLayer(nullptr, 0);
        QCOMPARE(map->getNumImageLayers(), 0u);
    }

    void opacityClamped_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<float>("stored");
        QTest::newRow("inside") << 0.4f << 0.4f;
        QTest::newRow("above") << 1.5f << 1.0f;
        QTest::newRow("below") << -0.2f << 0.0f;
        QTest::newRow("nan") << std::numeric_limits<float>::quiet_NaN() << 1.0f;
    }

    void opacityClamped()
    {
        QFETCH(float, value);
        QFETCH(float, stored);
        osg::ref_ptr<ImageLayer> l = layer("a");
        l->setOpacity(value);
        QCOMPARE(l->getOpacity(), stored);
    }

    // Edits from one thread while another reads the list: no torn state.
    void concurrentEditsAndReads()
    {
        osg::ref_ptr<Map> map = new Map;
        std::vector<osg::ref_ptr<ImageLayer>> layers;
        for (int i = 0; i < 8; ++i)
            layers.push_back(layer(QString::number(i)));
        std::atomic<bool> done{false};
        std::thread writer([&] {
            for (int round = 0; round < 2000; ++round) {
                ImageLayer* l = layers[round % layers.size()].get();
                map->insertImageLayer(l, unsigned(round % 5));
                map->moveImageLayer(l, unsigned(round % 3));
                l->setOpacity(float(round % 10) / 10.0f);
                l->setVisible(round % 2 == 0);
                if (round % 3 == 0)
                    map->removeImageLayer(l);
            }
            done = true;
        });
        size_t maxSeen = 0;
        while (!done) {
            const ImageLayerVector copy = map->getImageLayers();
            for (const auto& l : copy) {
                QVERIFY(l.valid());
                QVERIFY(l->getOpacity() >= 0.0f && l->getOpacity() <= 1.0f);
            }
            maxSeen = std::max(maxSeen, copy.size());
        }
        writer.join();
        QVERIFY(maxSeen <= layers.size());
    }
};

QTEST_GUILESS_MAIN(TestMap)
#include "tst_map.moc"
