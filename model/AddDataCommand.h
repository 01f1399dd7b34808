#pragma once

#include "model/EditDataCommand.h"

namespace kiv {

// Adds a new datum to the current (or its named) locality. Only the name and
// the two ids are stored.
class AddDataCommand : public EditDataCommand
{
public:
    AddDataCommand();

    static QString staticName() { return QStringLiteral("class kiv::AddDataCommand"); }

    bool execute(CommandManagerContext* context) override;
    bool undo(CommandManagerContext* context) override;
    bool serialize(QDataStream& stream) override;
    bool unserialize(QDataStream& stream) override;

    // Each typed setter also takes the current project's declination (999
    // without a current project).
    void setPlaneData(double latitude, double longitude, float dip, float dipAzimuth, int unitId,
                      int symbolId, const QString& comment);
    void setLineationData(double latitude, double longitude, float plunge, float plungeAzimuth,
                          int unitId, int symbolId, const QString& comment);
    // The symbol is the project's default sighting symbol (0 without a project).
    void setSightingData(double latitude, double longitude, float bearing, int unitId,
                         const QString& comment);
    void setNoteData(double latitude, double longitude, const QString& comment);
    void setImageData(double latitude, double longitude, float heading, const QString& imagePath,
                      const QString& comment);
    void setSketchData(double latitude, double longitude, float heading, const QString& imagePath,
                       const QString& comment, const QString& sketchPath,
                       const QString& backgroundPath);
    // Leaves the declination alone.
    void setAltitudeAndAccuracy(double altitude, double horizontalAccuracy,
                                double verticalAccuracy);

private:
    void setPoint(int type, double latitude, double longitude, const QString& comment);
};

} // namespace kiv
