#include "map/OSGShaderManager.h"
#include "support/MessageLog.h"
#include "support/SceneFixture.h"

#include <osg/Geode>
#include <osg/Geometry>

#include <QGuiApplication>
#include <QTemporaryDir>
#include <QtTest>

using namespace kiv;

namespace {

const QColor CheckColour(255, 0, 255);

} // namespace

// Every program of the map, built through the shader manager and drawn once
// in the scene's context: a compile or link error fails its row.
class TestShadersGL : public QObject, private test::SceneFixture
{
    Q_OBJECT

    QTemporaryDir dir;

    // A square around the view's centre drawn with the program over the map.
    osg::ref_ptr<osg::Node> square(osg::Program* program) const
    {
        const osg::Vec3d c = scene->cameraManipulator().position();
        const double h = 5e5;
        osg::ref_ptr<osg::Vec3Array> corners = new osg::Vec3Array;
        for (const auto& [dx, dy] : {std::pair{-h, -h}, {h, -h}, {h, h}, {-h, h}})
            corners->push_back(osg::Vec3(float(c.x() + dx), float(c.y() + dy), 1.0f));
        osg::ref_ptr<osg::Geometry> geometry = new osg::Geometry;
        geometry->setUseVertexBufferObjects(true);
        geometry->setVertexArray(corners.get());
        geometry->addPrimitiveSet(new osg::DrawArrays(GL_TRIANGLE_FAN, 0, 4));
        osg::ref_ptr<osg::Geode> geode = new osg::Geode;
        geode->addDrawable(geometry.get());
        osg::StateSet* state = geode->getOrCreateStateSet();
        state->setAttributeAndModes(program);
        state->addUniform(new osg::Uniform("checkColour", osg::Vec4f(1.0f, 0.0f, 1.0f, 1.0f)));
        state->setMode(GL_DEPTH_TEST, osg::StateAttribute::OFF);
        state->setRenderBinDetails(20, "RenderBin");
        return geode;
    }

    // The scene-graph's complaints while drawing the program once; empty
    // when it compiled, linked and drew.
    QStringList drawOnce(const QString& vertexFile, const QString& fragmentFile, const std::string& name)
    {
        const osg::ref_ptr<osg::Program> program =
            OSGShaderManager::instance()->getProgram(vertexFile, fragmentFile, name);
        if (!program)
            return {QStringLiteral("no program")};
        const osg::ref_ptr<osg::Node> node = square(program.get());
        test::takeLines();
        scene->addNode(node);
        frame = view->grabWindow();
        scene->removeNode(node);
        QStringList errors = test::takeLines().filter(QRegularExpression("FAILED|error", QRegularExpression::CaseInsensitiveOption));
        const osg::Program::PerContextProgram* linked = program->getPCP(*scene->graphicsWindow()->getState());
        if (!linked || !linked->isLinked())
            errors.append(QStringLiteral("not linked"));
        return errors;
    }

    QString writeShader(const QString& name, const QByteArray& text) const
    {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(text) == text.size() ? file.fileName() : QString();
    }

private slots:
    void initTestCase()
    {
        test::recordLogLines();
        QVERIFY(dir.isValid());
        createManager();
        QVERIFY(showScene(dir.path(), 200, 150));
        frame = view->grabWindow();
        QVERIFY(scene->isSetUp());
    }

    void cleanupTestCase()
    {
        destroyAll();
    }

    void programsBuildAndLink_data()
    {
        QTest::addColumn<QString>("vertexFile");
        QTest::addColumn<QString>("fragmentFile");
        QTest::addColumn<QString>("name");
        QTest::newRow("ShaderCheck") << ":/shaders/Resources/ShaderCheck.vsh"
                                     << ":/shaders/Resources/ShaderCheck.fsh" << "ShaderCheck";
        QTest::newRow("MapViewSymbol") << ":/shaders/Resources/MapViewSymbol.vsh"
                                       << ":/shaders/Resources/MapViewSymbol.fsh" << "MapViewSymbol";
        QTest::newRow("CurrentLocationSymbol") << ":/shaders/Resources/MapViewSymbol.vsh"
                                               << ":/shaders/Resources/CurrentLocationSymbol.fsh"
                                               << "CurrentLocationSymbol";
        QTest::newRow("MapViewLines") << ":/shaders/Resources/MapViewLine.vsh"
                                      << ":/shaders/Resources/MapViewLine.fsh" << "MapViewLines";
        QTest::newRow("MapViewPolyFill") << ":/shaders/Resources/basic.vert"
                                         << ":/shaders/Resources/basic.frag" << "MapViewPolyFill";
    }

    void programsBuildAndLink()
    {
        QFETCH(QString, vertexFile);
        QFETCH(QString, fragmentFile);
        QFETCH(QString, name);
        const QStringList errors = drawOnce(vertexFile, fragmentFile, name.toStdString());
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
    }

    void checkProgramDrawsItsColour()
    {
        QVERIFY(drawOnce(":/shaders/Resources/ShaderCheck.vsh", ":/shaders/Resources/ShaderCheck.fsh", "ShaderCheck")
                    .isEmpty());
        QVERIFY(colourIs(frame.pixelColor(frame.width() / 2, frame.height() / 2), CheckColour, 0));
    }

    void brokenPairIsReported()
    {
        const QString vertex = writeShader("Broken.vsh", "attribute vec4 osg_Vertex;\n"
                                                         "void main() { gl_Position = osg_Vertex }\n");
        const QStringList errors = drawOnce(vertex, ":/shaders/Resources/ShaderCheck.fsh", "Broken");
        QVERIFY(errors.contains(QStringLiteral("not linked")));
        QVERIFY2(errors.size() > 1, qPrintable(errors.join('\n')));
    }
};

int main(int argc, char* argv[])
{
    // The map draws on the GUI thread, as in the program.
    qputenv("QSG_RENDER_LOOP", "basic");
    QGuiApplication app(argc, argv);
    TestShadersGL test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_shaders_gl.moc"
