#include "map/AnnotationRenderItem.h"

#include "map/GLRender.h"
#include "map/SymbolTextures.h"
#include "model/Data.h"
#include "model/Locality.h"

namespace kiv {

AnnotationRenderItem::AnnotationRenderItem(std::shared_ptr<Locality> source)
    : IconRenderItem(std::move(source))
{
}

int AnnotationRenderItem::collectElements()
{
    elementList().clear();
    atlasList().clear();
    m_cells.clear();
    if (!source() || !owner())
        return 0;
    for (const auto& datum : source()->data()) {
        const int type = datum->type();
        if ((type != Data::Annotation && type != Data::Image) || !isPlaceable(*datum))
            continue;
        elementList().push_back(datum);
        m_cells.push_back(type == Data::Annotation ? AnnotationCell : ImageCell);
    }
    if (isPlaceable(*source())) {
        elementList().push_back(source());
        m_cells.push_back(LocalityCell);
    }
    if (elementList().empty())
        return 0;
    auto atlas = std::make_shared<SymbolTextures>();
    atlas->build(source()->colour(), owner()->maxTextureSize());
    atlasList().push_back(atlas);
    return int(elementList().size());
}

int AnnotationRenderItem::cellAt(int index) const
{
    return index >= 0 && index < int(m_cells.size()) ? m_cells[size_t(index)] : 0;
}

std::pair<double, double> AnnotationRenderItem::anchorOffset(const std::shared_ptr<LocatedObject>& element) const
{
    // The marker stands on its position; a note hangs right and below it.
    if (element == source())
        return {0.0, 1.0};
    const auto datum = std::dynamic_pointer_cast<Data>(element);
    if (datum && datum->type() == Data::Annotation)
        return {NoteOffset, -NoteOffset};
    return {0.0, 0.0};
}

} // namespace kiv
