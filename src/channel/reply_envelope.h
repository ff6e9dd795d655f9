// The reply envelope: the body of one reply frame, made from the reply's parts
// and the front of the data text that waits to go out.
//
//   {"metoda":…,"result":{"data":…,"hasNextPart":0|1},"errNo":…,"tabID":…,"errMsg":…}
//
// compact, with every unit outside U+0020..U+007F escaped, so pure ASCII.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Browsers refuse a host message larger than this and close the port: no
// reply body is larger.
inline constexpr std::size_t kMaxReplyBytes = 1048576;

struct TReplyParts {
  std::int32_t TabID = 0;
  // The method name as received (thread ANSI code page).
  std::string_view Method;
  std::int32_t ErrNo = 0;
  std::u16string ErrMsg;
};

struct TReplyBody {
  std::string Text;
  // How many units from the front of the pending text went into "data".
  std::size_t DataUnits = 0;
};

// The method name and the error text are each cut to 256 KiB once escaped, so
// that there is always room for data. "data" takes the longest front of
// pending that is at most maxUnits long and keeps the body within
// kMaxReplyBytes (a unit is never split, though a surrogate pair may be);
// "hasNextPart" is 1 when some of pending is left.
TReplyBody MakeReplyBody(TReplyParts parts, std::u16string_view pending, std::size_t maxUnits);
// The same into body, whose old text goes and whose memory is kept, with tail as room for what
// follows the data: a worker that keeps both makes a small reply without allocating. The
// number of units of pending taken.
std::size_t WriteReplyBody(const TReplyParts& parts, std::u16string_view pending,
                           std::size_t maxUnits, std::string& body, std::string& tail);
