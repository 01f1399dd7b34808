#pragma once

#include "map/IconRenderItem.h"

#include <vector>

namespace kiv {

// A locality's notes and photographs and the locality marker itself, from
// one three-cell atlas.
class AnnotationRenderItem : public IconRenderItem
{
public:
    static constexpr int AnnotationCell = 0;
    static constexpr int ImageCell = 1;
    static constexpr int LocalityCell = 2;
    // How far a note hangs right of and below its position, as a share of
    // the symbol's extent; the map's hit test and callout need the same.
    static constexpr double NoteOffset = 0.65;

    explicit AnnotationRenderItem(std::shared_ptr<Locality> source);

    int collectElements() override;
    int cellAt(int index) const override;
    std::pair<double, double> anchorOffset(const std::shared_ptr<LocatedObject>& element) const override;

private:
    std::vector<int> m_cells;
};

} // namespace kiv
