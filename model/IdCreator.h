#pragma once

#include "model/ProjectId.h"

namespace kiv {

// Source of project ids for one run: the first id handed out is 1.
class IdCreator
{
public:
    ProjectId next() { return ProjectId(++m_counter); }

private:
    quint32 m_counter = 0;
};

} // namespace kiv
