#pragma once

#include <memory>
#include <string>

namespace kiv {

class AbstractPainter;
class Data;
class Project;

// Draws the geological map symbols, centred in a painter's area. Azimuths are
// degrees clockwise from north (up); a plane's is its dip direction, a line's
// its trend. Colours are colour names; an empty halo colour means no halo.
class SymbolPainter
{
public:
    // The project colours and picks the icons of drawDataSymbol; may be null.
    explicit SymbolPainter(Project* project);
    virtual ~SymbolPainter();

    // Icon ids 1 to 22 draw their symbols, any other id draws bedding.
    void drawSymbol(AbstractPainter& painter, int iconId, float azimuth, float dip,
                    const std::string& colour, const std::string& halo) const;

    // Planes (dip only where the symbol has dip variants).
    void drawBeddingSymbol(AbstractPainter& painter, float azimuth, float dip,
                           const std::string& colour, const std::string& halo) const;
    void drawOverturnedBeddingSymbol(AbstractPainter& painter, float azimuth,
                                     const std::string& colour, const std::string& halo) const;
    void drawFoliationSymbol(AbstractPainter& painter, float azimuth, float dip,
                             const std::string& colour, const std::string& halo) const;
    void drawSecondFoliationSymbol(AbstractPainter& painter, float azimuth,
                                   const std::string& colour, const std::string& halo) const;
    void drawJointSymbol(AbstractPainter& painter, float azimuth, float dip,
                         const std::string& colour, const std::string& halo) const;
    void drawNormalFaultSymbol(AbstractPainter& painter, float azimuth, const std::string& colour,
                               const std::string& halo) const;
    void drawReverseFaultSymbol(AbstractPainter& painter, float azimuth, const std::string& colour,
                                const std::string& halo) const;
    void drawStrikeSlipDextralFaultSymbol(AbstractPainter& painter, float azimuth,
                                          const std::string& colour,
                                          const std::string& halo) const;
    void drawStrikeSlipSinistralFaultSymbol(AbstractPainter& painter, float azimuth,
                                            const std::string& colour,
                                            const std::string& halo) const;
    void drawSynclineSymbol(AbstractPainter& painter, float azimuth, const std::string& colour,
                            const std::string& halo) const;
    void drawAnticlineSymbol(AbstractPainter& painter, float azimuth, const std::string& colour,
                             const std::string& halo) const;
    void drawSynformSymbol(AbstractPainter& painter, float azimuth, const std::string& colour,
                           const std::string& halo) const;
    void drawAntiformSymbol(AbstractPainter& painter, float azimuth, const std::string& colour,
                            const std::string& halo) const;

    // Lines.
    void drawLineationSymbol(AbstractPainter& painter, float azimuth, float plunge,
                             const std::string& colour, const std::string& halo) const;
    void drawMineralSymbol(AbstractPainter& painter, float azimuth, float plunge,
                           const std::string& colour, const std::string& halo) const;
    void drawFoldAxisZSymbol(AbstractPainter& painter, float azimuth, const std::string& colour,
                             const std::string& halo) const;
    void drawFoldAxisSSymbol(AbstractPainter& painter, float azimuth, const std::string& colour,
                             const std::string& halo) const;
    void drawFoldAxisMSymbol(AbstractPainter& painter, float azimuth, const std::string& colour,
                             const std::string& halo) const;
    void drawFoldAxisAnticlineSymbol(AbstractPainter& painter, float azimuth,
                                     const std::string& colour, const std::string& halo) const;
    void drawFoldAxisSynclineSymbol(AbstractPainter& painter, float azimuth,
                                    const std::string& colour, const std::string& halo) const;
    void drawSightingSymbol(AbstractPainter& painter, float azimuth, const std::string& colour,
                            const std::string& halo) const;

    // Never turned.
    void drawAnnotationSymbol(AbstractPainter& painter, const std::string& colour,
                              const std::string& halo) const;
    void drawImageSymbol(AbstractPainter& painter, const std::string& colour,
                         const std::string& halo) const;
    void drawLocalitySymbol(AbstractPainter& painter, const std::string& colour,
                            const std::string& halo) const;
    // A circle growing with value (0 gives 0.4, 30 the full min(width, height) / 2.1).
    void drawMarkerSymbol(AbstractPainter& painter, const std::string& colour, float value,
                          const std::string& halo) const;

    // The datum's symbol by its kind, icon and rock-unit colour; nothing
    // without a project or datum.
    void drawDataSymbol(AbstractPainter& painter, std::shared_ptr<Data> datum,
                        const std::string& halo) const;
    void drawDataSymbol(AbstractPainter* painter, const Data& datum, const std::string& halo) const;

private:
    Project* m_project;
};

} // namespace kiv
