#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class QDataStream;

namespace kiv {

class CommandManagerContext;

// One edit of project content. A stored command begins with its name,
// which is also the key of its factory.
class AbstractCommand
{
public:
    AbstractCommand();
    virtual ~AbstractCommand();

    virtual bool execute(CommandManagerContext* context) = 0;
    virtual bool undo(CommandManagerContext* context) = 0;
    virtual bool redo(CommandManagerContext* context);
    virtual bool serialize(QDataStream& stream) = 0;
    virtual bool unserialize(QDataStream& stream) = 0;

    const QString& name() const { return m_name; }
    bool saveToUndoStack() const { return m_saveToUndoStack; }
    void setSaveToUndoStack(bool save) { m_saveToUndoStack = save; }

    bool serializeBase(QDataStream& stream);
    bool unserializeBase(QDataStream& stream);

    static std::shared_ptr<AbstractCommand> fromBytes(const QByteArray& bytes, int version);
    static std::shared_ptr<AbstractCommand> fromStream(QDataStream& stream);

protected:
    void setName(const QString& name) { m_name = name; }

private:
    QString m_name;
    bool m_saveToUndoStack = false;
};

} // namespace kiv
