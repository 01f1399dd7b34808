#pragma once

namespace kiv {

// The program's QML module "quarzel.touch": every C++ type the screens
// name is registered here and nowhere else.
class QmlTypeRegistry {
public:
    static void registerTypes();
};

} // namespace kiv
