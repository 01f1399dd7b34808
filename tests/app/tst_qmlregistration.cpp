#include <QtTest>

#include <QQmlComponent>
#include <QQmlEngine>

#include "app/ApplicationManager.h"
#include "support/ApplicationIdentity.h"

using namespace kiv;

// The module quarzel.touch as QML sees it: creatable types instantiate,
// the others refuse with their own message.
class TestQmlRegistration : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ApplicationManager> m_app;

    QString createError(const QString& type)
    {
        QQmlEngine engine;
        QQmlComponent component(&engine);
        component.setData(QStringLiteral("import quarzel.touch 1.0\n%1 {}\n").arg(type).toUtf8(), QUrl());
        std::unique_ptr<QObject> object(component.create());
        return object ? QString() : component.errorString();
    }

private slots:
    void initTestCase()
    {
        test::setApplicationIdentity();
        m_app = std::make_unique<ApplicationManager>(qGuiApp);
        m_app->registerQmlTypes();
    }

    void types_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("refusal"); // empty: creatable
        QTest::newRow("ApplicationManager") << "ApplicationManager" << "Can't create ApplicationManager from QML";
        QTest::newRow("FileBrowserListModel") << "FileBrowserListModel" << "";
        QTest::newRow("ModelManager") << "ModelManager" << "";
        QTest::newRow("Project") << "Project" << "";
        QTest::newRow("ProjectListModel") << "ProjectListModel" << "";
        QTest::newRow("Locality") << "Locality" << "Can't create Locality from QML";
        QTest::newRow("LocalityListModel") << "LocalityListModel" << "";
        QTest::newRow("StratColumnModel") << "StratColumnModel" << "";
        QTest::newRow("DataListModel") << "DataListModel" << "";
        QTest::newRow("MapLayerListModel") << "MapLayerListModel" << "";
        QTest::newRow("FilteredDataListModel") << "FilteredDataListModel" << "";
        QTest::newRow("CheckableFilteredDataListModel") << "CheckableFilteredDataListModel" << "";
        QTest::newRow("SymbolListModel") << "SymbolListModel" << "";
        QTest::newRow("FilteredSymbolListModel") << "FilteredSymbolListModel" << "";
        QTest::newRow("CheckableProxyModel") << "CheckableProxyModel" << "";
        QTest::newRow("MapViewController") << "MapViewController" << "";
        QTest::newRow("ProjectViewController") << "ProjectViewController" << "";
        QTest::newRow("ViewToolManager") << "ViewToolManager" << "";
        QTest::newRow("DataToolManager") << "DataToolManager" << "";
        QTest::newRow("CompassToolManager") << "CompassToolManager" << "";
        QTest::newRow("ClinoToolManager") << "ClinoToolManager" << "";
        QTest::newRow("LocalityManager") << "LocalityManager" << "";
        QTest::newRow("LineToolManager") << "LineToolManager" << "";
        QTest::newRow("SketchToolManager") << "SketchToolManager" << "";
        QTest::newRow("LayerToolManager") << "LayerToolManager" << "";
        QTest::newRow("LocationToolManager") << "LocationToolManager" << "";
        QTest::newRow("ProjectToolManager") << "ProjectToolManager" << "";
        QTest::newRow("StereoNetToolManager") << "StereoNetToolManager" << "";
        QTest::newRow("ImageToolManager") << "ImageToolManager" << "";
        QTest::newRow("ButtonClinoItem") << "ButtonClinoItem" << "";
        QTest::newRow("ButtonCompassItem") << "ButtonCompassItem" << "";
        QTest::newRow("ButtonInstrumentItem") << "ButtonInstrumentItem" << "Can't create ButtonInstrumentItem from QML";
        QTest::newRow("ClinoItem") << "ClinoItem" << "";
        QTest::newRow("CompassItem") << "CompassItem" << "";
        QTest::newRow("PolylineItem") << "PolylineItem" << "";
        QTest::newRow("RasterSketcher") << "RasterSketcher" << "";
        QTest::newRow("StereoNetItem") << "StereoNetItem" << "";
        QTest::newRow("SymbolItem") << "SymbolItem" << "";
        QTest::newRow("TemporaryItemController") << "TemporaryItemController" << "";
        QTest::newRow("CompassClino") << "CompassClino" << "Can't create Clino from QML";
        QTest::newRow("LocationManager") << "LocationManager" << "Can't create LocationManager from QML";
        QTest::newRow("QAbstractItemModel") << "QAbstractItemModel" << "Can't create QAbstractItemModel from QML";
    }

    void types()
    {
        QFETCH(QString, type);
        QFETCH(QString, refusal);
        const QString error = createError(type);
        if (refusal.isEmpty())
            QVERIFY2(error.isEmpty(), qPrintable(error));
        else
            QVERIFY2(error.contains(refusal), qPrintable(error));
    }
};

QTEST_MAIN(TestQmlRegistration)
#include "tst_qmlregistration.moc"
