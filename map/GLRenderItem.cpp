#include "map/GLRenderItem.h"

namespace kiv {

GLRenderItem::~GLRenderItem() = default;

void GLRenderItem::setSelectedId(const std::string& id)
{
    selectedId_ = id;
    dirty_ = true;
}

} // namespace kiv
