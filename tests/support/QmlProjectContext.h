#pragma once

#include <memory>

class QQmlEngine;

namespace kiv::test {

class ProjectFixture;

// Makes a project fixture and gives the engine what the program's screens
// expect of it: the registered types, _appManager, _modelManager, a
// _dialogController and the theme. Null (with a warning) without a project.
std::unique_ptr<ProjectFixture> installProjectContext(QQmlEngine* engine);

} // namespace kiv::test
