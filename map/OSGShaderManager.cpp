#include "map/OSGShaderManager.h"

#include "Database/Destructor.h"
#include "Database/DestructorManager.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>

namespace kiv {

KIV_DEFINE_SINGLETON(OSGShaderManager, 5)

const char* const OSGShaderManager::VersionPrefix = "#version 100\n\n";

OSGShaderManager::~OSGShaderManager() = default;

osg::ref_ptr<osg::Program> OSGShaderManager::getProgram(const QString& vertexFile,
                                                        const QString& fragmentFile,
                                                        const std::string& name)
{
    // Makes look-up-or-create one step, so two threads never build the
    // same program twice.
    static QMutex programMutex;
    QMutexLocker programLock(&programMutex);
    {
        QMutexLocker lock(&m_mutex);
        const auto found = m_programs.find(name);
        if (found != m_programs.end())
            return found->second;
    }
    osg::ref_ptr<osg::Shader> vs = vertexShader(vertexFile);
    osg::ref_ptr<osg::Shader> fs = fragmentShader(fragmentFile);
    // Half a program never links; leave the name free for a later request.
    if (!vs || !fs)
        return nullptr;
    osg::ref_ptr<osg::Program> program = new osg::Program;
    program->setName(name);
    program->addShader(vs.get());
    program->addShader(fs.get());
    addProgram(name, program);
    return program;
}

osg::ref_ptr<osg::Shader> OSGShaderManager::vertexShader(const QString& file)
{
    return getShader(osg::Shader::VERTEX, file);
}

osg::ref_ptr<osg::Shader> OSGShaderManager::fragmentShader(const QString& file)
{
    return getShader(osg::Shader::FRAGMENT, file);
}

OSGShaderManager::ShaderCache* OSGShaderManager::cacheOf(osg::Shader::Type type)
{
    switch (type) {
    case osg::Shader::VERTEX:
        return &m_vertexShaders;
    case osg::Shader::TESSCONTROL:
        return &m_tessControlShaders;
    case osg::Shader::TESSEVALUATION:
        return &m_tessEvaluationShaders;
    case osg::Shader::GEOMETRY:
        return &m_geometryShaders;
    case osg::Shader::FRAGMENT:
        return &m_fragmentShaders;
    default:
        return nullptr;
    }
}

osg::ref_ptr<osg::Shader> OSGShaderManager::getShader(osg::Shader::Type type, const QString& file)
{
    QMutexLocker lock(&m_mutex);
    ShaderCache* cache = cacheOf(type);
    if (!cache)
        return nullptr;
    const std::string key = file.toStdString();
    const auto found = cache->find(key);
    if (found != cache->end())
        return found->second;
    osg::ref_ptr<osg::Shader> shader = loadShaderSource(type, file);
    if (!shader)
        return nullptr;
    shader->setFileName(key);
    cache->emplace(key, shader);
    return shader;
}

QString OSGShaderManager::sourcePath(const QString& file)
{
    const QString folder = qEnvironmentVariable(DevelopmentFolderVariable);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return file;
    const QFileInfo replacement(QDir(folder), QFileInfo(file).fileName());
    return replacement.isFile() ? replacement.canonicalFilePath() : file;
}

osg::ref_ptr<osg::Shader> OSGShaderManager::loadShaderSource(osg::Shader::Type type,
                                                             const QString& file) const
{
    const QString path = sourcePath(file);
    QFile source(path);
    if (!source.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qWarning() << "Cannot read shader" << path << ':' << source.errorString();
        return nullptr;
    }
    const QByteArray text = VersionPrefix + source.readAll();
    return new osg::Shader(type, text.toStdString());
}

void OSGShaderManager::addProgram(const std::string& name, const osg::ref_ptr<osg::Program>& program)
{
    QMutexLocker lock(&m_mutex);
    m_programs[name] = program;
}

void OSGShaderManager::clearPrograms()
{
    QMutexLocker lock(&m_mutex);
    m_programs.clear();
}

void OSGShaderManager::clearShaders()
{
    QMutexLocker lock(&m_mutex);
    for (ShaderCache* cache : {&m_vertexShaders, &m_tessControlShaders, &m_tessEvaluationShaders,
                               &m_geometryShaders, &m_fragmentShaders})
        cache->clear();
}

} // namespace kiv
