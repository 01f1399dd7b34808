#include "map/MapViewController.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "support/ApplicationIdentity.h"
#include "support/GeoTestData.h"
#include "support/MapPageStart.h"

#include <QtTest>

using namespace kiv;

// The program on a screen that Qt scales by 2: the map still covers the
// whole window.
class TestMapScale : public QObject
{
    Q_OBJECT

    QTemporaryDir documents;

private slots:
    void redBaseMapFillsTheWindow()
    {
        test::setApplicationIdentity();
        QSettings().clear();
        QVERIFY(documents.isValid());
        test::MapPageStart page(documents.path());
        test::resetModelManager();
        QDir(documents.path()).mkdir("scaled.qz");
        {
            std::shared_ptr<Project> project =
                ModelManager::instance()->createProject("Scaled", QDir(documents.filePath("scaled.qz")));
            QVERIFY(project);
            // A project's base maps live in its folder.
            const QString red = documents.filePath("scaled.qz/red.tif");
            QVERIFY(test::writeRaster(red, test::colouredRaster(6, 45, 8, 47, Qt::red)));
            project->addBaseMap("GeoTiff", "Red", QUrl::fromLocalFile(red), true, 1.0, QRectF());
            QVERIFY(project->save());
            ModelManager::instance()->setCurrentProject(project);
        }
        test::resetModelManager();
        QVERIFY(page.start(400, 300));
        QCOMPARE(page.application()->physicalToGLMultiplier(), 2.0);
        QVERIFY(page.lookAt(7.0, 46.0, 3000.0));
        const auto cornersRed = [&] {
            const QImage image = page.mapView()->capture();
            if (image.size() != QSize(800, 600))
                return false;
            for (const QPoint& corner : {QPoint(1, 1), QPoint(798, 1), QPoint(1, 598), QPoint(798, 598)}) {
                const QColor c = image.pixelColor(corner);
                if (c.red() < 220 || c.green() > 40 || c.blue() > 40)
                    return false;
            }
            return true;
        };
        QTRY_VERIFY_WITH_TIMEOUT(cornersRed(), 20000);
    }
};

int main(int argc, char* argv[])
{
    // Both before the application object: Qt reads them once.
    qputenv("QT_SCALE_FACTOR", "2");
    qputenv("QSG_RENDER_LOOP", "basic");
    QGuiApplication application(argc, argv);
    TestMapScale test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mapscale_gl.moc"
