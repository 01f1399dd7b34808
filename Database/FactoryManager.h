#pragma once

namespace kiv {

// Stands in the teardown list for the factories; the first factory creates it.
class FactoryManager
{
public:
    static FactoryManager*& instance();
};

} // namespace kiv
