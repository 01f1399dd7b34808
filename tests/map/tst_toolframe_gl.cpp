#include "support/SceneFixture.h"
#include "support/TestStep.h"
#include "tools/Tool.h"

#include <QQuickWindow>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>

using namespace kiv;

namespace {

// Counts its frame calls in a counter that outlives it.
class FrameCountingTool : public Tool
{
public:
    FrameCountingTool(std::atomic<int>* calls, std::atomic<GLRender*>* scene)
        : m_calls(calls)
        , m_scene(scene)
    {
    }
    void frame(GLRender* render) override
    {
        m_scene->store(render);
        ++*m_calls;
    }

private:
    std::atomic<int>* m_calls;
    std::atomic<GLRender*>* m_scene;
};

} // namespace

// The map scene calls the current tool once per rendered frame.
class TestToolFrameGL : public QObject, private test::SceneFixture
{
    Q_OBJECT

    QTemporaryDir dir;
    std::atomic<int> rendered{0};

    // Renders a few frames and waits until the scene has drawn them.
    void renderFrames()
    {
        const int before = rendered;
        for (int i = 0; i < 3; ++i) {
            scene->update(true);
            frame = view->grabWindow();
        }
        QTRY_VERIFY(rendered >= before + 3);
        settle();
        QTest::qWait(100);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        createManager();
        QVERIFY(showScene(dir.path(), 200, 150));
        connect(view.get(), &QQuickWindow::afterRendering, this, [this] { ++rendered; },
                Qt::DirectConnection);
        QVERIFY(settle());
    }

    void cleanupTestCase() { destroyAll(); }

    void currentToolGetsEveryFrame()
    {
        std::atomic<int> calls{0};
        std::atomic<GLRender*> seen{nullptr};
        auto* tool = new FrameCountingTool(&calls, &seen);
        tool->setActive(true);
        TEST_STEP(renderFrames());
        QVERIFY(calls > 0);
        QCOMPARE(seen.load(), scene.get());
        // Counted while the render thread is quiet: one call per frame from here.
        const int offset = rendered - calls;
        TEST_STEP(renderFrames());
        QTRY_COMPARE(rendered - calls, offset);

        delete tool;
        const int afterDelete = calls;
        const int frames = rendered;
        TEST_STEP(renderFrames());
        QVERIFY(rendered > frames);
        QCOMPARE(calls.load(), afterDelete);
    }
};

QTEST_MAIN(TestToolFrameGL)

#include "tst_toolframe_gl.moc"
