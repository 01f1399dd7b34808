#pragma once

#include "Database/AbstractCommand.h"

#include <QStringList>

namespace kiv {

// A command for framework tests: records what it did in a shared journal
// ("x1" executed, "u1" undone) and can be told to fail.
class TestCommand : public AbstractCommand
{
public:
    TestCommand();
    TestCommand(qint32 id, bool flagged, bool failExecute = false, bool failSerialize = false);

    static QString staticName() { return QStringLiteral("class kiv::TestCommand"); }
    static QStringList& journal();

    bool execute(CommandManagerContext* context) override;
    bool undo(CommandManagerContext* context) override;
    bool serialize(QDataStream& stream) override;
    bool unserialize(QDataStream& stream) override;

    qint32 id() const { return m_id; }

private:
    qint32 m_id = 0;
    bool m_failExecute = false;
    bool m_failSerialize = false;
};

} // namespace kiv
