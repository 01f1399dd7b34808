// Frame time of the map at 1280 x 800 with 1k, 10k and 50k plane symbols on
// screen (localities of 100), built through the scene's own frame path and
// checked in the frame, beside the same quads with the same textures drawn
// by plain GL into the same window in the same run. Then the fill-in of a
// 100k-datum project: how long its frames spend building items. Needs a
// display (run under xvfb-run with LIBGL_ALWAYS_SOFTWARE=1).
#include "MapBench.h"

#include "app/ApplicationManager.h"
#include "map/PointDataRenderItem.h"
#include "map/SymbolTextures.h"

#include <osg/Geode>
#include <osg/Geometry>
#include <osg/PositionAttitudeTransform>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QOpenGLBuffer>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QOpenGLShaderProgram>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace kiv;

namespace {

constexpr int Width = 1280;
constexpr int Height = 800;
constexpr int TimedFrames = 15;

// One geometry of an icon item: anchor, texture coordinate and offset per
// vertex, and the size of its atlas.
struct Chunk
{
    std::vector<float> vertices; // x y z s t ox oy
    osg::Vec3d origin;
    int atlasWidth = 0;
    int atlasHeight = 0;
};

std::vector<Chunk> chunksOf(const PointDataRenderItem& item)
{
    std::vector<Chunk> chunks;
    auto* transform = dynamic_cast<osg::PositionAttitudeTransform*>(item.node());
    osg::Geode* geode = transform && transform->getNumChildren() ? transform->getChild(0)->asGeode() : nullptr;
    if (!geode)
        return chunks;
    for (unsigned g = 0; g < geode->getNumDrawables(); ++g) {
        const osg::Geometry* geometry = geode->getDrawable(g)->asGeometry();
        const auto* v = dynamic_cast<const osg::Vec3Array*>(geometry->getVertexArray());
        const auto* t = dynamic_cast<const osg::Vec2Array*>(geometry->getTexCoordArray(0));
        const auto* o = dynamic_cast<const osg::Vec2Array*>(geometry->getVertexAttribArray(6));
        if (!v || !t || !o || g >= item.atlases().size())
            continue;
        Chunk chunk;
        chunk.origin = transform->getPosition();
        chunk.atlasWidth = item.atlases()[g]->width();
        chunk.atlasHeight = item.atlases()[g]->height();
        for (size_t i = 0; i < v->size(); ++i)
            chunk.vertices.insert(chunk.vertices.end(), {(*v)[i].x(), (*v)[i].y(), (*v)[i].z(), (*t)[i].x(),
                                                         (*t)[i].y(), (*o)[i].x(), (*o)[i].y()});
        chunks.push_back(std::move(chunk));
    }
    return chunks;
}

const char* const VertexShader = R"(
attribute vec3 anchor;
attribute vec2 texCoord;
attribute vec2 offset;
uniform mat4 mvp;
uniform vec2 screenSize;
uniform float symbolSize;
varying vec2 uv;
void main()
{
    vec4 p = mvp * vec4(anchor, 1.0);
    p.xy += offset * symbolSize / screenSize * p.w;
    gl_Position = p;
    uv = texCoord;
})";

const char* const FragmentShader = R"(
uniform sampler2D atlas;
varying highp vec2 uv;
void main() { gl_FragColor = texture2D(atlas, uv); })";

// The reference: the scene's quads in one buffer and one texture per chunk,
// one draw call each, with the scene's blending, drawn before Qt Quick.
class PlainQuads : public QObject
{
public:
    PlainQuads(QQuickWindow* window, std::vector<Chunk> chunks, osg::Matrixd viewProjection)
        : m_window(window)
        , m_chunks(std::move(chunks))
        , m_viewProjection(viewProjection)
    {
        connect(window, &QQuickWindow::beforeRendering, this, &PlainQuads::draw, Qt::DirectConnection);
    }

    ~PlainQuads() override
    {
        disconnect(m_window, nullptr, this, nullptr);
        QOpenGLContext* context = m_window->openglContext();
        if (!context || !context->makeCurrent(m_window))
            return;
        for (QOpenGLBuffer& buffer : m_buffers)
            buffer.destroy();
        if (!m_textures.empty())
            context->functions()->glDeleteTextures(GLsizei(m_textures.size()), m_textures.data());
    }

private:
    void setUp(QOpenGLFunctions* gl)
    {
        m_program.addShaderFromSourceCode(QOpenGLShader::Vertex, VertexShader);
        m_program.addShaderFromSourceCode(QOpenGLShader::Fragment, FragmentShader);
        m_program.bindAttributeLocation("anchor", 0);
        m_program.bindAttributeLocation("texCoord", 1);
        m_program.bindAttributeLocation("offset", 6);
        m_program.link();
        m_buffers.resize(m_chunks.size());
        m_textures.resize(m_chunks.size());
        gl->glGenTextures(GLsizei(m_textures.size()), m_textures.data());
        for (size_t c = 0; c < m_chunks.size(); ++c) {
            const Chunk& chunk = m_chunks[c];
            m_buffers[c].create();
            m_buffers[c].bind();
            m_buffers[c].allocate(chunk.vertices.data(), int(chunk.vertices.size() * sizeof(float)));
            // Half the texels opaque, as symbols leave much of a cell clear.
            std::vector<unsigned char> pixels(size_t(chunk.atlasWidth) * size_t(chunk.atlasHeight) * 4);
            for (size_t i = 0; i < pixels.size() / 4; ++i) {
                pixels[4 * i] = 40;
                pixels[4 * i + 1] = 40;
                pixels[4 * i + 2] = 160;
                pixels[4 * i + 3] = (i / 4) % 2 ? 255 : 0;
            }
            gl->glBindTexture(GL_TEXTURE_2D, m_textures[c]);
            gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
            gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
            gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, chunk.atlasWidth, chunk.atlasHeight, 0, GL_RGBA,
                             GL_UNSIGNED_BYTE, pixels.data());
        }
        m_ready = true;
    }

    void draw()
    {
        QOpenGLFunctions* gl = QOpenGLContext::currentContext()->functions();
        if (!m_ready)
            setUp(gl);
        const float ratio = float(m_window->effectiveDevicePixelRatio());
        const float w = float(m_window->width()) * ratio, h = float(m_window->height()) * ratio;
        gl->glViewport(0, 0, GLsizei(w), GLsizei(h));
        gl->glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
        gl->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        gl->glDisable(GL_DEPTH_TEST);
        gl->glEnable(GL_BLEND);
        gl->glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        m_program.bind();
        m_program.setUniformValue("screenSize", w, h);
        m_program.setUniformValue("symbolSize", float(SymbolTextures::symbolSize()));
        m_program.setUniformValue("atlas", 0);
        gl->glActiveTexture(GL_TEXTURE0);
        for (size_t c = 0; c < m_chunks.size(); ++c) {
            const osg::Matrixf mvp(osg::Matrixd::translate(m_chunks[c].origin) * m_viewProjection);
            gl->glUniformMatrix4fv(m_program.uniformLocation("mvp"), 1, GL_FALSE, mvp.ptr());
            gl->glBindTexture(GL_TEXTURE_2D, m_textures[c]);
            m_buffers[c].bind();
            const GLsizei stride = 7 * sizeof(float);
            gl->glEnableVertexAttribArray(0);
            gl->glEnableVertexAttribArray(1);
            gl->glEnableVertexAttribArray(6);
            gl->glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, nullptr);
            gl->glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(3 * sizeof(float)));
            gl->glVertexAttribPointer(6, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(5 * sizeof(float)));
            gl->glDrawArrays(GL_TRIANGLES, 0, GLsizei(m_chunks[c].vertices.size() / 7));
        }
        gl->glDisableVertexAttribArray(0);
        gl->glDisableVertexAttribArray(1);
        gl->glDisableVertexAttribArray(6);
        QOpenGLBuffer::release(QOpenGLBuffer::VertexBuffer);
        m_program.release();
        m_window->resetOpenGLState();
    }

    QQuickWindow* m_window;
    std::vector<Chunk> m_chunks;
    osg::Matrixd m_viewProjection;
    QOpenGLShaderProgram m_program;
    std::vector<QOpenGLBuffer> m_buffers;
    std::vector<GLuint> m_textures;
    bool m_ready = false;
};

void lookAway(GLRender& scene)
{
    bench::lookAt(scene, -60.0, -30.0, 5000.0);
}

double medianFrame(MainView& view, QImage* last = nullptr)
{
    std::vector<double> times;
    for (int i = 0; i < TimedFrames + 2; ++i) {
        QCoreApplication::processEvents();
        QElapsedTimer clock;
        clock.start();
        QImage frame = view.grabWindow();
        if (i >= 2)
            times.push_back(double(clock.nsecsElapsed()) / 1e6);
        if (last)
            *last = frame;
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Frames until no item is dirty; false when it takes too many.
bool fillIn(MainView& view, GLRender& scene, int& frames, double& longestBuild, double& totalBuild)
{
    frames = 0;
    longestBuild = totalBuild = 0.0;
    const auto anyDirty = [&scene] {
        const auto items = scene.renderItems();
        return std::any_of(items.begin(), items.end(), [](const auto& item) { return item->isDirty(); });
    };
    while (anyDirty() && frames < 100000) {
        view.grabWindow();
        ++frames;
        longestBuild = std::max(longestBuild, scene.lastItemBuildTime());
        totalBuild += scene.lastItemBuildTime();
    }
    return !anyDirty();
}

// Symbols of `count` planes in localities of 100, all on screen: the scene's
// frame beside the plain-GL one. False when the probe finds no symbols.
bool compare(MainView& view, GLRender& scene, Project& project, int count)
{
    project.clearLocalities();
    bench::addLocalities(project, count / 100, 100, 0.02, 0.015);
    std::vector<std::shared_ptr<PointDataRenderItem>> items;
    for (const auto& locality : project.localities()) {
        items.push_back(std::make_shared<PointDataRenderItem>(locality, false));
        scene.addRenderItem(items.back());
    }
    // Built while looking away, so that the fill-in costs no drawing.
    lookAway(scene);
    int frames = 0;
    double longest = 0.0, total = 0.0;
    if (!fillIn(view, scene, frames, longest, total))
        return false;
    const int rows = (count / 100 + 39) / 40;
    bench::lookAt(scene, 8.0 + 0.02 * 19.5, 46.0 + 0.02 * (rows - 1) / 2.0, 0.02 * 40 * 111000.0);
    QImage sceneFrame;
    const double sceneMs = medianFrame(view, &sceneFrame);
    const int sceneDrawn = bench::drawnPixels(sceneFrame);

    std::vector<Chunk> chunks;
    for (const auto& item : items) {
        const std::vector<Chunk> some = chunksOf(*item);
        chunks.insert(chunks.end(), some.begin(), some.end());
        scene.removeRenderItem(item);
    }
    items.clear();
    const osg::Matrixd viewProjection = scene.camera()->getViewMatrix() * scene.camera()->getProjectionMatrix();
    scene.setEnabled(false);
    double plainMs = 0.0;
    int plainDrawn = 0;
    {
        PlainQuads plain(&view, std::move(chunks), viewProjection);
        QImage plainFrame;
        plainMs = medianFrame(view, &plainFrame);
        plainDrawn = bench::drawnPixels(plainFrame);
    }
    scene.setEnabled(true);
    std::printf("%6d symbols: scene frame %8.2f ms, plain GL %8.2f ms, ratio %.2f "
                "(drawn pixels %d / %d; filled in over %d frames, build %.0f ms)\n",
                count, sceneMs, plainMs, sceneMs / plainMs, sceneDrawn, plainDrawn, frames, total);
    // The probe: each locality's symbols show at least a hundred pixels of
    // their unit's blue (they overlap, and a plane symbol is mostly clear).
    const int expected = count;
    return sceneDrawn > expected && plainDrawn > expected;
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QSG_RENDER_LOOP", "basic");
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    ApplicationManager manager(&app);
    const std::shared_ptr<Project> project = bench::makeProject(dir.path());
    if (!project) {
        std::fprintf(stderr, "could not create the project\n");
        return 1;
    }
    MainView view;
    bench::showEmptyPage(view, dir.path(), Width, Height);
    int status = 0;
    {
        GLRender scene(&view);
        view.grabWindow();
        std::printf("frames at %d x %d with readback, median of %d\n", Width, Height, TimedFrames);
        for (int count : {1000, 10000, 50000}) {
            if (!compare(view, scene, *project, count)) {
                std::printf("%6d symbols: NOT IN THE FRAME\n", count);
                status = 1;
            }
        }

        // The fill-in of a large project, looking away from it so that the
        // frames measure building rather than drawing.
        project->clearLocalities();
        bench::addLocalities(*project, 1000, 100, 0.02, 0.015);
        lookAway(scene);
        std::vector<std::shared_ptr<PointDataRenderItem>> items;
        for (const auto& locality : project->localities()) {
            items.push_back(std::make_shared<PointDataRenderItem>(locality, false));
            scene.addRenderItem(items.back());
        }
        int frames = 0;
        double longest = 0.0, total = 0.0;
        QElapsedTimer clock;
        clock.start();
        fillIn(view, scene, frames, longest, total);
        std::printf("fill-in of 100,000 planes in 1,000 localities: %d frames, %.0f ms, longest build in a frame "
                    "%.2f ms (budget %d ms), all builds %.0f ms\n",
                    frames, double(clock.elapsed()), longest, scene.itemBuildBudget(), total);
        for (const auto& item : items)
            scene.removeRenderItem(item);
    }
    bench::dropModels();
    return status;
}
