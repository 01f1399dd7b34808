#pragma once

#include <QColor>
#include <QString>

namespace kiv {

// One entry of a project's strat column.
struct RockUnit
{
    int id = 0;
    QString name;
    QColor colour;
    int type = 0; // 0 horizon, 1 fault, 2 contact
};

} // namespace kiv
