#pragma once

#include "Database/SQLiteDatabase.h"

#include <QObject>

#include <list>
#include <memory>
#include <mutex>

namespace kiv {

class AbstractCommand;
class CommandManagerContext;

// Runs edits in batches, each one undo step, and keeps the undo history of
// flagged commands in commands.db in the temporary folder.
class CommandManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool canUndo READ canUndo NOTIFY canUndoChanged)

public:
    static CommandManager*& instance();

    CommandManager();
    ~CommandManager() override;

    // True when the batch committed or the command joined an open batch;
    // false after a rollback.
    bool execute(std::shared_ptr<AbstractCommand> command);
    std::shared_ptr<CommandManagerContext> beginContext();
    bool executePending();
    bool canUndo();
    void clearStacks();

    static QString databasePath();

public slots:
    void undo();

signals:
    void canUndoChanged(bool canUndo);

private:
    void runBatch(const std::shared_ptr<CommandManagerContext>& context, std::list<std::shared_ptr<AbstractCommand>>& executed,
                  bool& unsaved);
    void storeCommand(AbstractCommand& command);
    void rollBack(const QString& reason, std::list<std::shared_ptr<AbstractCommand>>& executed);
    void closeBatch(bool unsaved, bool wasUndoable);
    // True when it announced that nothing is left to undo.
    bool clearHistory();
    // Undoes the newest stored row; false when undo should stop.
    bool undoNewestRow();
    // Undoes one stored command; false when it must stay in the history.
    bool undoStored(const std::string& data);
    void emitIfEmpty();
    // Both tables there and without rows.
    bool hasEmptyHistory();

    std::recursive_mutex m_mutex;
    SQLiteDatabase m_database;
    std::shared_ptr<CommandManagerContext> m_context;
};

} // namespace kiv
