#pragma once

class QObject;
class QQmlEngine;

namespace kiv::test {

// Makes the theme object from the program's UI.qml, owned by the engine, and
// sets it as the context property _ui; null (with a warning) when it fails.
QObject* installTheme(QQmlEngine* engine);

} // namespace kiv::test
