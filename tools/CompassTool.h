#pragma once

#include "tools/Tool.h"

#include <QPointF>
#include <QString>

namespace kiv {

// Saves a compass sighting and answers the result; refusals are logged.
class CompassTool : public Tool
{
    Q_OBJECT

public:
    explicit CompassTool(QObject* parent = nullptr);

public slots:
    bool save(QString heading, QString comment, bool addCurrentRockUnit, QPointF location,
              bool isGpsLocation);
    bool mousePressed(double x, double y, Qt::MouseButtons buttons) override;
    bool mousePressAndHold(double x, double y, Qt::MouseButtons buttons) override;

signals:
    void longPress(QPointF position);

private:
    QPointF m_pressPosition;
};

} // namespace kiv
