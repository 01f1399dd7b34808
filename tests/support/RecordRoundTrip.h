#pragma once

#include <memory>
#include <string>
#include <type_traits>
#include <utility>

namespace kiv::test {

// Writes an object's record to bytes and reads it back as the database
// would; empty when the record is incomplete or does not parse.
template <typename Object, typename Record = std::decay_t<decltype(*std::declval<const Object&>().toProto())>>
std::shared_ptr<Object> throughBytes(const Object& object, Record* written = nullptr)
{
    const auto record = object.toProto();
    if (!record || !record->IsInitialized())
        return {};
    std::string bytes;
    if (!record->SerializeToString(&bytes))
        return {};
    Record parsed;
    if (!parsed.ParseFromString(bytes))
        return {};
    if (written)
        *written = parsed;
    return Object::fromProto(parsed);
}

// The bytes of an object's record, as its row would hold them.
template <typename Object>
std::string recordBytes(const Object& object)
{
    std::string bytes;
    if (const auto record = object.toProto())
        record->SerializeToString(&bytes);
    return bytes;
}

} // namespace kiv::test
