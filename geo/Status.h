#pragma once

#include <QString>

namespace kiv::geo {

// Outcome of opening a tile source.
class Status
{
public:
    // NoGeoreference: the data opened but cannot be placed on the map.
    enum Code { NoError, ResourceUnavailable, ConfigurationError, GeneralError, NoGeoreference };

    Status() = default;
    Status(Code code, const QString& message) : code_(code), message_(message) {}

    static Status OK() { return Status(); }
    static Status Error(Code code, const QString& message) { return Status(code, message); }

    bool isOK() const { return code_ == NoError; }
    bool isError() const { return !isOK(); }
    Code code() const { return code_; }
    const QString& message() const { return message_; }

private:
    Code code_ = NoError;
    QString message_;
};

} // namespace kiv::geo
