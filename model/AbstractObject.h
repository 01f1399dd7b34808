#pragma once

#include <QtGlobal>

#include <string>

namespace kiv {

// Identity and creation time shared by localities, data and lines.
class AbstractObject
{
public:
    explicit AbstractObject(std::string id);
    // For objects read from storage: no clock read for a stamp replaced at once.
    AbstractObject(std::string id, qint64 timeStamp);
    virtual ~AbstractObject();

    AbstractObject(const AbstractObject&) = default;
    AbstractObject& operator=(const AbstractObject&) = default;

    const std::string& id() const { return m_id; }
    void setId(const std::string& id) { m_id = id; }

    // Seconds since 1970-01-01 UTC.
    qint64 timeStamp() const { return m_timeStamp; }
    void setTimeStamp(qint64 timeStamp) { m_timeStamp = timeStamp; }

    bool isVisible() const { return m_visible; }
    void setVisible(bool visible) { m_visible = visible; }

private:
    std::string m_id;
    qint64 m_timeStamp;
    bool m_visible = true;
};

} // namespace kiv
