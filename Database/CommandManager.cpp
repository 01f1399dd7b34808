#include "Database/CommandManager.h"

#include "Database/AbstractCommand.h"
#include "Database/CommandManagerContext.h"
#include "Database/Destructor.h"
#include "Database/DestructorManager.h"
#include "Database/SQLiteException.h"
#include "Database/SQLiteInsert.h"
#include "Database/SQLiteQuery.h"

#include <QBuffer>
#include <QDataStream>
#include <QDebug>
#include <QDir>

#include <stdexcept>

namespace kiv {

KIV_DEFINE_SINGLETON(CommandManager, 4)

namespace {
// Rows are read back with the stream version of Qt 5.0; the types used
// encode the same under the default version they were written with.
constexpr int storedStreamVersion = QDataStream::Qt_5_0;
const char* const batchMarker = "BEGIN_BATCH";
} // namespace

CommandManager::CommandManager()
{
    m_database.open(databasePath().toStdString());
    clearStacks();
}

CommandManager::~CommandManager()
{
    m_context.reset();
}

QString CommandManager::databasePath()
{
    return QDir::tempPath() + QDir::separator() + QStringLiteral("commands.db");
}

bool CommandManager::execute(std::shared_ptr<AbstractCommand> command)
{
    if (!command)
        return true;
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (m_context) {
        m_context->pending().push_back(std::move(command));
        return true;
    }
    beginContext()->pending().push_back(std::move(command));
    return executePending();
}

std::shared_ptr<CommandManagerContext> CommandManager::beginContext()
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_context = std::make_shared<CommandManagerContext>(this);
    return m_context;
}

bool CommandManager::executePending()
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (!m_context || m_context->pending().empty())
        return true;
    const std::shared_ptr<CommandManagerContext> context = m_context;
    const bool wasUndoable = canUndo();
    bool unsaved = false;
    std::list<std::shared_ptr<AbstractCommand>> executed;
    try {
        runBatch(context, executed, unsaved);
    } catch (const std::exception& e) {
        rollBack(QString::fromUtf8(e.what()), executed);
        closeBatch(false, wasUndoable);
        return false;
    } catch (...) {
        rollBack(QStringLiteral("unknown exception"), executed);
        closeBatch(false, wasUndoable);
        return false;
    }
    closeBatch(unsaved, wasUndoable);
    return true;
}

void CommandManager::runBatch(const std::shared_ptr<CommandManagerContext>& context,
                              std::list<std::shared_ptr<AbstractCommand>>& executed, bool& unsaved)
{
    m_database.exec("SAVEPOINT beginBatch");
    // The marker goes in with the first stored command: a batch that stores
    // nothing, as every saved reading, writes nothing to the history file.
    bool marked = false;
    auto& pending = context->pending();
    while (!pending.empty()) {
        std::shared_ptr<AbstractCommand> command = pending.front();
        pending.pop_front();
        if (!command->execute(context.get()))
            throw std::runtime_error("Command failed, need to rollback");
        // It ran: whatever happens to its storing, a rollback must undo it.
        executed.push_back(command);
        if (!unsaved && command->saveToUndoStack()) {
            if (!marked)
                m_database.exec("INSERT INTO undoStack (data) VALUES ('BEGIN_BATCH')");
            marked = true;
            storeCommand(*command);
        } else {
            unsaved = true;
        }
    }
    m_database.exec("RELEASE beginBatch");
}

void CommandManager::storeCommand(AbstractCommand& command)
{
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    QDataStream stream(&buffer);
    if (!command.serialize(stream) || stream.status() != QDataStream::Ok)
        throw std::runtime_error("Command failed to save, need to rollback");
    std::string bytes = buffer.data().toStdString();
    SQLiteInsert insert(&m_database);
    insert.prepare("INSERT INTO undoStack (data) VALUES (?)");
    insert.bindBlob(&bytes);
    insert.execute();
}

void CommandManager::rollBack(const QString& reason, std::list<std::shared_ptr<AbstractCommand>>& executed)
{
    qDebug() << "Rolling back:" << reason;
    for (auto it = executed.rbegin(); it != executed.rend(); ++it) {
        CommandManagerContext undoContext(this);
        try {
            (*it)->undo(&undoContext);
        } catch (const std::exception& e) {
            qDebug() << "CommandManager::executePending: undo failed:" << e.what();
        }
    }
    try {
        m_database.exec("ROLLBACK TO SAVEPOINT beginBatch");
    } catch (const std::exception& e) {
        qDebug() << e.what();
    }
    // Leaves the savepoint too: an open transaction would hold every later batch.
    try {
        m_database.exec("RELEASE beginBatch");
    } catch (const std::exception& e) {
        qDebug() << e.what();
    }
}

void CommandManager::closeBatch(bool unsaved, bool wasUndoable)
{
    m_context.reset();
    // A batch that cannot be undone ends the history and says so, even when
    // there was none to end.
    if (unsaved && !clearHistory())
        emit canUndoChanged(false);
    const bool undoable = canUndo();
    if (undoable != wasUndoable)
        emit canUndoChanged(undoable);
}

bool CommandManager::canUndo()
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    try {
        std::int64_t count = 0;
        SQLiteQuery query(&m_database);
        query.prepare("SELECT COUNT(*) FROM undoStack");
        query.bind(&count);
        return query.step() && count > 0;
    } catch (const SQLiteException&) {
        return false;
    }
}

void CommandManager::clearStacks()
{
    clearHistory();
}

bool CommandManager::clearHistory()
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (!m_database.isOpen())
        return false;
    const bool wasUndoable = canUndo();
    // An empty history is left as it is: every project switch clears it,
    // and each statement here costs a write to disk.
    if (!wasUndoable && hasEmptyHistory())
        return false;
    try {
        m_database.exec("SAVEPOINT clearStacks");
        try {
            m_database.exec("DROP TABLE IF EXISTS undoStack;");
            m_database.exec("DROP TABLE IF EXISTS redoStack;");
            m_database.exec("CREATE TABLE undoStack ( data BLOB NOT NULL);");
            m_database.exec("CREATE TABLE redoStack ( data BLOB NOT NULL);");
        } catch (const SQLiteException& e) {
            qDebug() << e.what();
        }
        // What ran before a failure is kept, as with separate statements.
        m_database.exec("RELEASE clearStacks");
    } catch (const SQLiteException& e) {
        qDebug() << e.what();
    }
    if (wasUndoable)
        emit canUndoChanged(false);
    return wasUndoable;
}

bool CommandManager::hasEmptyHistory()
{
    try {
        std::int64_t count = -1;
        SQLiteQuery query(&m_database);
        query.prepare("SELECT (SELECT COUNT(*) FROM undoStack) + (SELECT COUNT(*) FROM redoStack)");
        query.bind(&count);
        return query.step() && count == 0;
    } catch (const SQLiteException&) {
        return false;
    }
}

void CommandManager::undo()
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    try {
        while (undoNewestRow()) {
        }
    } catch (const SQLiteException& e) {
        qDebug() << e.what();
    }
    emitIfEmpty();
}

bool CommandManager::undoNewestRow()
{
    std::int64_t rowId = 0;
    std::string data;
    SQLiteQuery query(&m_database);
    query.prepare("SELECT ROWID, data FROM undoStack ORDER BY ROWID DESC LIMIT 1");
    query.bind(&rowId);
    query.bindBlob(&data);
    const bool found = query.step();
    query.finalize();
    if (!found)
        return false;

    // The row goes only together with a successful undo: an edit that could
    // not be undone (its database locked) can be tried again.
    m_database.exec("SAVEPOINT undoRow");
    bool undone = false;
    try {
        SQLiteInsert remove(&m_database);
        remove.prepare("DELETE FROM undoStack WHERE ROWID=" + std::to_string(rowId));
        remove.execute();
        undone = data == batchMarker || undoStored(data);
    } catch (const std::exception& e) {
        qDebug() << "CommandManager::undo:" << e.what();
    }
    if (!undone) {
        m_database.exec("ROLLBACK TO SAVEPOINT undoRow");
        m_database.exec("RELEASE undoRow");
        return false;
    }
    m_database.exec("RELEASE undoRow");
    return data != batchMarker;
}

bool CommandManager::undoStored(const std::string& data)
{
    const std::shared_ptr<AbstractCommand> command
        = AbstractCommand::fromBytes(QByteArray::fromStdString(data), storedStreamVersion);
    if (!command) {
        // Nothing can bring it back: it is dropped and the rest undone.
        qDebug() << "Failed to unserialize command";
        return true;
    }
    CommandManagerContext undoContext(this);
    if (command->undo(&undoContext))
        return true;
    qDebug() << "CommandManager::undo: the command could not be undone; it stays in the history";
    return false;
}

void CommandManager::emitIfEmpty()
{
    if (!canUndo())
        emit canUndoChanged(false);
}

} // namespace kiv
