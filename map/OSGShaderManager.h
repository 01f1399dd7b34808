#pragma once

#include <osg/Program>
#include <osg/Shader>
#include <osg/ref_ptr>

#include <QMutex>
#include <QString>

#include <map>
#include <string>

namespace kiv {

// The process-wide cache of the map's GLSL shaders and programs: every caller
// asking for the same name or file gets the same object. Sources are read
// from the resources (":/shaders/Resources/<file>") and get the GLSL ES
// version line put in front.
class OSGShaderManager
{
public:
    static OSGShaderManager*& instance();

    // "#version 100" and an empty line.
    static const char* const VersionPrefix;
    static constexpr const char* ResourceFolder = ":/shaders/Resources/";
    // A folder whose files replace the resources of the same name while
    // shaders are being developed.
    static constexpr const char* DevelopmentFolderVariable = "QUARZEL_SHADER_DIR";

    OSGShaderManager() = default;
    virtual ~OSGShaderManager();
    OSGShaderManager(const OSGShaderManager&) = delete;
    OSGShaderManager& operator=(const OSGShaderManager&) = delete;

    // The program of that name; made from the two files on first request.
    // Null (and nothing cached) when either file cannot be read.
    osg::ref_ptr<osg::Program> getProgram(const QString& vertexFile, const QString& fragmentFile,
                                          const std::string& name);
    osg::ref_ptr<osg::Shader> vertexShader(const QString& file);
    osg::ref_ptr<osg::Shader> fragmentShader(const QString& file);
    // Null (and nothing cached) when the file cannot be read.
    osg::ref_ptr<osg::Shader> getShader(osg::Shader::Type type, const QString& file);
    osg::ref_ptr<osg::Shader> loadShaderSource(osg::Shader::Type type, const QString& file) const;

    void addProgram(const std::string& name, const osg::ref_ptr<osg::Program>& program);
    // Objects the scene still holds stay alive; the next request reads the
    // files again.
    void clearPrograms();
    void clearShaders();

private:
    using ShaderCache = std::map<std::string, osg::ref_ptr<osg::Shader>>;

    ShaderCache* cacheOf(osg::Shader::Type type);
    static QString sourcePath(const QString& file);

    std::map<std::string, osg::ref_ptr<osg::Program>> m_programs;
    ShaderCache m_vertexShaders;
    ShaderCache m_tessControlShaders;
    ShaderCache m_tessEvaluationShaders;
    ShaderCache m_geometryShaders;
    ShaderCache m_fragmentShaders;
    QMutex m_mutex;
};

} // namespace kiv
