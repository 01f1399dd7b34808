#pragma once

#include <string>

namespace google::protobuf {
class MessageLite;
}

namespace kiv {

// Serialises a record; false when a required field is missing (protobuf
// would abort the process instead of failing).
bool serializeRecord(const google::protobuf::MessageLite& record, std::string* bytes);

} // namespace kiv
