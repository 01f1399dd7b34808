#include "tools/CompassTool.h"

#include "tools/ClinoTool.h"

#include <QDebug>

namespace kiv {

CompassTool::CompassTool(QObject* parent)
    : Tool(parent)
{
}

bool CompassTool::save(QString heading, QString comment, bool addCurrentRockUnit, QPointF location,
                       bool isGpsLocation)
{
    switch (ClinoTool::addSighting(heading, comment, addCurrentRockUnit, location, isGpsLocation)) {
    case ClinoTool::SaveResult::Saved:
        return true;
    case ClinoTool::SaveResult::InvalidNumber:
        qWarning() << "Data parse error!";
        return false;
    case ClinoTool::SaveResult::InvalidLocation:
        qWarning() << "Invalid location!";
        return false;
    case ClinoTool::SaveResult::InvalidHorizon:
        qWarning() << "Save failed: invalid horizon";
        return false;
    default:
        qWarning() << "Could not save data.";
        return false;
    }
}

bool CompassTool::mousePressed(double x, double y, Qt::MouseButtons)
{
    if (active())
        m_pressPosition = QPointF(x, y);
    return false;
}

bool CompassTool::mousePressAndHold(double x, double y, Qt::MouseButtons)
{
    if (!active() || !ClinoTool::isLongPress(m_pressPosition, x, y))
        return false;
    emit longPress(QPointF(x, y));
    return true;
}

} // namespace kiv
