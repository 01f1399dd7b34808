#pragma once

namespace kiv {

// The store of a property setter: true when the value differed and was stored.
template <typename T>
bool storeIfChanged(T& field, const T& value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}

} // namespace kiv
