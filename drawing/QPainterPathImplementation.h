#pragma once

#include "drawing/AbstractPath.h"

#include <QPainterPath>

namespace kiv {

// The path of the QPainter back end.
class QPainterPathImplementation : public AbstractPath
{
public:
    void startSubpath(float x, float y) override;
    void lineTo(float x, float y) override;
    void closeSubpath() override;

    const QPainterPath& path() const { return m_path; }

private:
    QPainterPath m_path;
};

} // namespace kiv
