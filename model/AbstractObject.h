#pragma once

#include <QtGlobal>

#include <memory>
#include <string>

namespace kiv {

// An id many objects refer to, such as the locality of a project's data:
// held once, not copied into each.
using SharedId = std::shared_ptr<const std::string>;

// shared when it holds text, otherwise a new id holding text.
inline SharedId sharedId(const SharedId& shared, const std::string& text)
{
    return shared && *shared == text ? shared : std::make_shared<const std::string>(text);
}

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
