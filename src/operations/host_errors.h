// The error numbers the host answers with itself; every other non-zero errNo
// is the signing library's own status, passed on unchanged.
#pragma once

#include <cstdint>

namespace host_errors {

// GETFILESIZE without a file name.
inline constexpr std::int32_t kFileNotPassed = 5101;
// GETFILESIZE for a name that is no file.
inline constexpr std::int32_t kFileNotFound = 5102;
// No method of the name the request gives.
inline constexpr std::int32_t kUnknownMethod = -31901;
// The request failed inside the host; errMsg is the failure's own text.
inline constexpr std::int32_t kHandlerFailed = -31905;
// Not a JSON object with a string "metoda" and an object "parametry".
inline constexpr std::int32_t kInvalidCommunication = -31909;

}  // namespace host_errors
