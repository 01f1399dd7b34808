#pragma once

#include "Database/AbstractCommand.h"

#include <QString>

#include <memory>

namespace kiv {

class LineData2D;
class Locality;
class Project;

// Holds one line and the insert, delete and swap steps that the add, remove
// and modify commands share. Stored as the name, a 32-bit byte count and the
// line's record.
class EditLineCommand : public AbstractCommand
{
public:
    EditLineCommand();

    bool serialize(QDataStream& stream) override;
    bool unserialize(QDataStream& stream) override;

    // Both share the object with the caller; pass a copy for a snapshot.
    void setLine(std::shared_ptr<LineData2D> line) { m_line = std::move(line); }
    void setLinePointer(std::shared_ptr<LineData2D> line) { m_line = std::move(line); }
    // The current project's line of that id; nothing without a project.
    void setLineById(const QString& id);
    const std::shared_ptr<LineData2D>& line() const { return m_line; }

protected:
    bool insertLine();
    bool deleteLine();
    bool swapLine();

private:
    // The locality of the line's locality id; with none set, the current
    // locality, whose id is then written into the line.
    std::shared_ptr<Locality> resolveLocality(const Project& project);

    std::shared_ptr<LineData2D> m_line;
};

} // namespace kiv
