#pragma once

#include "map/GLRenderItem.h"

#include <osg/Geometry>

namespace kiv {

class ApplicationManager;

// The device's last known position: a dot (blue while the location manager
// is updating, red otherwise) and, while updating, a halo over the accuracy.
class LocationRenderItem : public GLRenderItem
{
public:
    static constexpr int PointOffsetLocation = 6;
    static constexpr double MarkerZ = 2.4;
    // The render bin OSG uses for TRANSPARENT_BIN.
    static constexpr int TransparentBinNumber = 10;

    LocationRenderItem();

    void buildNode() override;

    // Halo radius in map units for an accuracy in metres at a latitude: a
    // mercator unit is cos(latitude) metres on the ground.
    static double haloRadius(double accuracy, double latitude);
    // 16 logical pixels in GL pixels.
    double symbolSize() const;

private:
    static osg::ref_ptr<osg::Geometry> markerGeometry(float r, float z, const osg::Vec4& colour);

    ApplicationManager* m_app;
};

} // namespace kiv
