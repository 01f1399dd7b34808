#pragma once

#include "tools/AbstractCompassClino.h"

namespace kiv::test {

// A compass-clino source without sensors of its own: it delivers whatever
// the test writes into it, and the test switches its sensors on and off.
class ScriptedCompassClino : public AbstractCompassClino
{
public:
    using AbstractCompassClino::AbstractCompassClino;
    using AbstractCompassClino::setHasRequiredSensors;
    bool startUpdates() override { return true; }
};

} // namespace kiv::test
