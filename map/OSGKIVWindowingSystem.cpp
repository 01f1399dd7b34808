#include "map/OSGKIVWindowingSystem.h"

#include <osg/Notify>

namespace kiv {

OSGKIVWindowingSystem::OSGKIVWindowingSystem()
{
    setName("KIV");
    OSG_INFO << "OSGKIVWindowingSystemInterface()" << std::endl;
}

OSGKIVWindowingSystem::~OSGKIVWindowingSystem() = default;

OSGKIVWindowingSystem* OSGKIVWindowingSystem::instance()
{
    static osg::ref_ptr<OSGKIVWindowingSystem> system = [] {
        osg::ref_ptr<OSGKIVWindowingSystem> made = new OSGKIVWindowingSystem;
        // The scene graph hands out the first registered interface when no
        // name is asked for; ours goes in front of the platform's.
        auto& interfaces = osg::GraphicsContext::getWindowingSystemInterfaces()->getInterfaces();
        interfaces.insert(interfaces.begin(), made);
        return made;
    }();
    return system.get();
}

unsigned int OSGKIVWindowingSystem::getNumScreens(const osg::GraphicsContext::ScreenIdentifier&)
{
    OSG_WARN << "OSGKIVWindowingSystem: getNumScreens() not implemented yet." << std::endl;
    return 0;
}

void OSGKIVWindowingSystem::getScreenSettings(const osg::GraphicsContext::ScreenIdentifier&,
                                              osg::GraphicsContext::ScreenSettings&)
{
    OSG_WARN << "OSGKIVWindowingSystem: getScreenSettings() not implemented yet." << std::endl;
}

bool OSGKIVWindowingSystem::setScreenSettings(const osg::GraphicsContext::ScreenIdentifier&,
                                              const osg::GraphicsContext::ScreenSettings&)
{
    OSG_WARN << "OSGKIVWindowingSystem: setScreenSettings() not implemented yet." << std::endl;
    return false;
}

void OSGKIVWindowingSystem::enumerateScreenSettings(
    const osg::GraphicsContext::ScreenIdentifier&, osg::GraphicsContext::ScreenSettingsList&)
{
    OSG_WARN << "OSGKIVWindowingSystem: enumerateScreenSettings() not implemented yet."
             << std::endl;
}

void OSGKIVWindowingSystem::setDisplaySettings(osg::DisplaySettings*) {}

osg::DisplaySettings* OSGKIVWindowingSystem::getDisplaySettings() const
{
    return nullptr;
}

osg::GraphicsContext* OSGKIVWindowingSystem::createGraphicsContext(osg::GraphicsContext::Traits*)
{
    return window_.get();
}

} // namespace kiv
