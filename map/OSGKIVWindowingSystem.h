#pragma once

#include <osg/GraphicsContext>
#include <osg/ref_ptr>

namespace kiv {

// The scene-graph windowing system of the program: there are no windows to
// open, every request for a graphics context gets the embedded window that
// draws into Qt Quick's context.
class OSGKIVWindowingSystem : public osg::GraphicsContext::WindowingSystemInterface
{
public:
    // The process-wide interface, made and registered (ahead of any other
    // windowing system) on first use.
    static OSGKIVWindowingSystem* instance();

    unsigned int getNumScreens(const osg::GraphicsContext::ScreenIdentifier& screen =
                                   osg::GraphicsContext::ScreenIdentifier()) override;
    void getScreenSettings(const osg::GraphicsContext::ScreenIdentifier& screen,
                           osg::GraphicsContext::ScreenSettings& settings) override;
    bool setScreenSettings(const osg::GraphicsContext::ScreenIdentifier& screen,
                           const osg::GraphicsContext::ScreenSettings& settings) override;
    void enumerateScreenSettings(const osg::GraphicsContext::ScreenIdentifier& screen,
                                 osg::GraphicsContext::ScreenSettingsList& list) override;
    void setDisplaySettings(osg::DisplaySettings* settings) override;
    osg::DisplaySettings* getDisplaySettings() const override;
    osg::GraphicsContext* createGraphicsContext(osg::GraphicsContext::Traits* traits) override;

    osg::GraphicsContext* graphicsWindow() const { return window_.get(); }
    void setGraphicsWindow(osg::GraphicsContext* window) { window_ = window; }

protected:
    OSGKIVWindowingSystem();
    ~OSGKIVWindowingSystem() override;

private:
    osg::ref_ptr<osg::GraphicsContext> window_;
};

} // namespace kiv
