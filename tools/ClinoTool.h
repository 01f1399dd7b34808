#pragma once

#include "tools/Tool.h"

#include <QPointF>
#include <QString>

namespace kiv {

// Measures planes, lineations and compass sightings and saves them at a
// position; the result arrives through saveSuccessful(success, message).
class ClinoTool : public Tool
{
    Q_OBJECT

public:
    enum CompassClinoMode { CompassMode = 0, ClinoMode = 1 };
    Q_ENUM(CompassClinoMode)

    // Why a save was refused; Saved when the datum is stored.
    enum class SaveResult {
        Saved,
        InvalidNumber,
        InvalidLocation,
        InvalidHorizon,
        InvalidSymbol,
        NotWritten
    };

    explicit ClinoTool(QObject* parent = nullptr);

    // A long press counts only this close to where the pointer went down.
    static constexpr double longPressReach = 10.0;
    static bool isLongPress(const QPointF& press, double x, double y);

    // Reads an angle typed by the user: finite numbers only.
    static bool readAngle(const QString& text, float* value);
    // Into [0, 360).
    static float normalizedAzimuth(float azimuth);

    // The sighting save shared with the compass tool.
    static SaveResult addSighting(const QString& heading, const QString& comment, bool addCurrentRockUnit,
                                  const QPointF& location, bool isGpsLocation);

public slots:
    void saveOrientation(QString dip, QString azimuth, QString comment, QPointF location,
                         bool isGpsLocation);
    void saveSighting(QString heading, QString comment, bool addCurrentRockUnit, QPointF location,
                      bool isGpsLocation);
    bool mousePressed(double x, double y, Qt::MouseButtons buttons) override;
    bool mousePressAndHold(double x, double y, Qt::MouseButtons buttons) override;

signals:
    // Declared last so that QML handlers get the message; only this one is emitted.
    void saveSuccessful(bool success);
    void saveSuccessful(bool success, QString message);
    void longPress(QPointF position);

private:
    // A save shows every layer that holds data unless data are already shown.
    void showDataLayer();
    void report(SaveResult result, const char* invalidNumber);
    SaveResult addOrientation(const QString& dipText, const QString& azimuthText, const QString& comment,
                              const QPointF& location, bool isGpsLocation);

    QPointF m_pressPosition;
};

} // namespace kiv
