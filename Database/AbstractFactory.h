#pragma once

namespace kiv {

// Base of all factories; makes sure the factory manager exists.
class AbstractFactory
{
public:
    AbstractFactory();
    virtual ~AbstractFactory();
};

} // namespace kiv
