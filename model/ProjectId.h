#pragma once

#include <QtGlobal>

namespace kiv {

// Run-time identifier of an open project, handed out by the model manager.
// Valid for one run only: it is never used as a stored key.
class ProjectId
{
public:
    ProjectId() = default;
    explicit ProjectId(quint32 value)
        : m_value(value)
    {
    }

    quint32 value() const { return m_value; }

    bool operator==(const ProjectId& other) const { return m_value == other.m_value; }
    bool operator!=(const ProjectId& other) const { return m_value != other.m_value; }

private:
    quint32 m_value = 0;
};

} // namespace kiv
