// Runs the QML tests of the project and stereonet panels
// (tests/qml/infotools) against a real model manager with a current project.

#define QUICK_TEST_SOURCE_DIR QUARZEL_SOURCE_DIR "/tests/qml/infotools"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QQmlContext>
#include <QQmlEngine>
#include <QtQuickTest>

#include "Database/CommandManager.h"
#include "app/ThumbnailImageProvider.h"
#include "app/ApplicationManager.h"
#include "model/AddDataCommand.h"
#include "model/AddLineCommand.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "support/QmlProjectContext.h"
#include "tools/ImageTool.h"

// Gives the QML tests planes to plot and a place for the grabs to review.
class DataMaker : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString reviewFolder READ reviewFolder CONSTANT)

public:
    using QObject::QObject;

    QString reviewFolder() const { return QStringLiteral(QUARZEL_BINARY_DIR "/tests"); }

    // With no symbol given, the project's last one.
    Q_INVOKABLE bool addPlanes(int count, int unitId = 0, int symbolId = -1)
    {
        const auto project = kiv::ModelManager::instance()->currentProject();
        const int symbol = symbolId < 0 ? project->symbols().back().id : symbolId;
        for (int i = 0; i < count; ++i) {
            auto command = std::make_shared<kiv::AddDataCommand>();
            command->setPlaneData(46.0, 7.0, 20.0f + 6.0f * i, 15.0f + 31.0f * i, unitId, symbol, QString());
            if (!kiv::CommandManager::instance()->execute(command))
                return false;
        }
        return true;
    }

    Q_INVOKABLE void nameCurrentLocality(const QString& name)
    {
        const auto locality = kiv::ModelManager::instance()->currentLocality();
        locality->setName(name);
        kiv::ModelManager::instance()->currentProject()->syncLocalityDetails(locality.get());
    }

    // A three-point line in the current locality.
    Q_INVOKABLE bool addLine()
    {
        const QString id = kiv::ApplicationManager::instance()->makeUniqueId(QStringLiteral("Line"));
        auto line = kiv::LineData2D::create(id.toStdString(), std::string(), 0, 0, false, QString());
        for (int i = 0; i < 3; ++i)
            line->addPoint(46.0 + 0.001 * i, 7.0 + 0.002 * (i % 2));
        auto command = std::make_shared<kiv::AddLineCommand>();
        command->setLine(line);
        return kiv::CommandManager::instance()->execute(command);
    }

    // A photo of a striped rock face, as the camera would leave it.
    Q_INVOKABLE bool addPhoto(double heading, const QString& comment)
    {
        QImage picture(160, 120, QImage::Format_RGB32);
        QPainter painter(&picture);
        for (int band = 0; band < 6; ++band)
            painter.fillRect(0, band * 20, 160, 20, band % 2 ? QColor(150, 120, 90) : QColor(210, 200, 180));
        painter.end();
        const QString file = QDir::temp().filePath(QStringLiteral("rock-face.png"));
        return picture.save(file)
            && kiv::ImageTool::saveImageFile(QUrl::fromLocalFile(file), heading, comment, QPointF(7.0, 46.0), false);
    }
};

class Setup : public kiv::test::ProjectContextSetup
{
    Q_OBJECT

public slots:
    void qmlEngineAvailable(QQmlEngine* engine)
    {
        ProjectContextSetup::qmlEngineAvailable(engine);
        kiv::ThumbnailImageProvider::addProviders(engine);
        engine->rootContext()->setContextProperty(QStringLiteral("_data"), new DataMaker(engine));
    }
};

QUICK_TEST_MAIN_WITH_SETUP(infotools, Setup)

#include "tst_infotools_gl.moc"
