#pragma once

namespace kiv::platform {

// How a call into an operating-system service ended.
enum class Result { Success, Failure, InvalidArgument };

} // namespace kiv::platform
