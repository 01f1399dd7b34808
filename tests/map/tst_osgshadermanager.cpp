#include "Database/DestructorManager.h"
#include "map/OSGShaderManager.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace kiv;

namespace {

const QString CheckVertex = QStringLiteral(":/shaders/Resources/ShaderCheck.vsh");
const QString CheckFragment = QStringLiteral(":/shaders/Resources/ShaderCheck.fsh");

} // namespace

class TestOSGShaderManager : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    static OSGShaderManager* shaders() { return OSGShaderManager::instance(); }

    QString writeFile(const QString& name, const QByteArray& text) const
    {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
            return QString();
        return file.fileName();
    }

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    void cleanup()
    {
        qunsetenv(OSGShaderManager::DevelopmentFolderVariable);
        if (!shaders())
            return;
        shaders()->clearPrograms();
        shaders()->clearShaders();
    }

    void oneProgramPerName()
    {
        const osg::ref_ptr<osg::Program> first = shaders()->getProgram(CheckVertex, CheckFragment, "Check");
        QVERIFY(first);
        QCOMPARE(first->getName(), std::string("Check"));
        QCOMPARE(first->getNumShaders(), 2u);
        const QString other = writeFile(QStringLiteral("Other.vsh"), "void main() {}\n");
        QCOMPARE(shaders()->getProgram(other, other, "Check"), first);
        QVERIFY(shaders()->getProgram(CheckVertex, CheckFragment, "Second") != first);
    }

    void oneShaderPerTypeAndFile()
    {
        const osg::ref_ptr<osg::Shader> vertex = shaders()->vertexShader(CheckVertex);
        const osg::ref_ptr<osg::Shader> fragment = shaders()->fragmentShader(CheckVertex);
        QVERIFY(vertex && fragment && vertex != fragment);
        QCOMPARE(vertex->getType(), osg::Shader::VERTEX);
        QCOMPARE(fragment->getType(), osg::Shader::FRAGMENT);
        QCOMPARE(shaders()->vertexShader(CheckVertex), vertex);
        QCOMPARE(vertex->getFileName(), CheckVertex.toStdString());
        for (const osg::ref_ptr<osg::Shader>& shader : {vertex, fragment}) {
            const QString source = QString::fromStdString(shader->getShaderSource());
            QVERIFY(source.startsWith(QLatin1String("#version 100\n\n")));
            QVERIFY(source.contains(QLatin1String("osg_ModelViewProjectionMatrix")));
        }
        QCOMPARE(qstrlen(OSGShaderManager::VersionPrefix), 14u);
    }

    void clearedCachesReadTheFilesAgain()
    {
        const QString path = writeFile(QStringLiteral("Edit.fsh"), "// first\n");
        const osg::ref_ptr<osg::Program> program = shaders()->getProgram(CheckVertex, path, "Edit");
        const osg::ref_ptr<osg::Shader> fragment = shaders()->fragmentShader(path);
        QVERIFY(!writeFile(QStringLiteral("Edit.fsh"), "// second\n").isEmpty());
        QCOMPARE(shaders()->fragmentShader(path), fragment);
        shaders()->clearPrograms();
        shaders()->clearShaders();
        const osg::ref_ptr<osg::Program> rebuilt = shaders()->getProgram(CheckVertex, path, "Edit");
        QVERIFY(rebuilt != program);
        QVERIFY(shaders()->fragmentShader(path) != fragment);
        QCOMPARE(shaders()->fragmentShader(path)->getShaderSource(), std::string("#version 100\n\n// second\n"));
        // The scene's references keep the old objects whole.
        QCOMPARE(fragment->getShaderSource(), std::string("#version 100\n\n// first\n"));
    }

    void missingFileGivesNullAndCachesNothing()
    {
        const QString path = dir.filePath(QStringLiteral("Late.vsh"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Cannot read shader .*Late\\.vsh"));
        QVERIFY(!shaders()->vertexShader(path));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Cannot read shader .*Late\\.vsh"));
        QVERIFY(!shaders()->getProgram(path, CheckFragment, "Late"));
        QVERIFY(!writeFile(QStringLiteral("Late.vsh"), "void main() {}\n").isEmpty());
        QVERIFY(shaders()->vertexShader(path));
        QVERIFY(shaders()->getProgram(path, CheckFragment, "Late"));
    }

    void developmentFolderReplacesResources_data()
    {
        QTest::addColumn<bool>("folderExists");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("folder with the file") << true << true;
        QTest::newRow("no such folder") << false << false;
    }

    void developmentFolderReplacesResources()
    {
        QFETCH(bool, folderExists);
        QFETCH(bool, replaced);
        QVERIFY(!writeFile(QStringLiteral("ShaderCheck.vsh"), "// from the folder\n").isEmpty());
        qputenv(OSGShaderManager::DevelopmentFolderVariable,
                QFile::encodeName(folderExists ? dir.path() : dir.filePath(QStringLiteral("none"))));
        const std::string source = shaders()->vertexShader(CheckVertex)->getShaderSource();
        QCOMPARE(source == "#version 100\n\n// from the folder\n", replaced);
    }

    // Last: the manager is gone afterwards.
    void teardownDeletesTheManager()
    {
        QVERIFY(shaders());
        DestructorManager::instance().destroyAll();
        QCOMPARE(OSGShaderManager::instance(), nullptr);
    }
};

QTEST_GUILESS_MAIN(TestOSGShaderManager)
#include "tst_osgshadermanager.moc"
