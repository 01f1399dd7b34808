#pragma once

#include "app/ApplicationManager.h"

#include <QGuiApplication>

namespace kiv::test {

// An application manager whose compass-clino source the test installs.
class CompassApplication : public ApplicationManager
{
public:
    CompassApplication()
        : ApplicationManager(qGuiApp)
    {
    }
    void installCompassClino(AbstractCompassClino* source) { setSensors(nullptr, source); }
};

} // namespace kiv::test
