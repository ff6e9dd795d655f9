#include "channel/reply_envelope.h"

#include <algorithm>
#include <charconv>
#include <utility>

#include "json/writer/json_escape.h"
#include "platform/code_page.h"
#include "text/ascii_runs.h"

namespace {

// The method name and the error text come from the request and the library:
// each is cut to this many escaped bytes, so that no echo can push a reply
// past kMaxReplyBytes and there is always room left for data.
constexpr std::size_t kMaxEchoBytes = 256 * 1024;

// The fixed text between the parts, in the order of the envelope (reply_envelope.h). The
// body is written straight into bytes: building it as a JSON value, writing that value twice
// (once to measure the room for data, once with "hasNextPart") and narrowing both texts
// took most of a small request's time, in allocations.
constexpr std::string_view kBeforeMethod = R"({"metoda":")";
constexpr std::string_view kBeforeData = R"(","result":{"data":")";
constexpr std::string_view kBeforeNextPart = R"(","hasNextPart":)";
constexpr std::string_view kBeforeErrNo = R"(},"errNo":)";
constexpr std::string_view kBeforeTabId = R"(,"tabID":)";
constexpr std::string_view kBeforeErrMsg = R"(,"errMsg":")";
constexpr std::string_view kEnd = R"("})";

void AppendInteger(std::string& out, std::int32_t value) {
  char digits[12];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out.append(digits, end);
}

bool IsAscii(std::string_view text) noexcept {
  return AsciiRunLength(text.data(), text.size()) == text.size();
}

// The method name as wide text, escaped and cut like any echo. ASCII, which every ANSI code
// page reads as itself, is widened a piece at a time on the stack instead of into a string.
void AppendMethod(std::string& out, std::string_view method) {
  // A method name as extensions send it needs neither widening nor escapes.
  if (method.size() <= kMaxEchoBytes && PlainEscapedLength(method) == method.size()) {
    out.append(method);
    return;
  }
  if (!IsAscii(method)) {
    AppendEscapedAsciiWithin(out, platform::ThreadAnsiToWide(method), kMaxEchoBytes);
    return;
  }
  constexpr std::size_t kPiece = 256;
  char16_t piece[kPiece];
  std::size_t room = kMaxEchoBytes;
  for (std::size_t at = 0; at < method.size(); at += kPiece) {
    const std::size_t count = std::min(kPiece, method.size() - at);
    std::copy_n(method.data() + at, count, piece);
    const std::size_t before = out.size();
    // The cut is the longest front that fits, so it can be found piece by piece.
    if (AppendEscapedAsciiWithin(out, {piece, count}, room) < count) return;
    room -= out.size() - before;
  }
}

}  // namespace

std::size_t WriteReplyBody(const TReplyParts& parts, std::u16string_view pending,
                           std::size_t maxUnits, std::string& body, std::string& tail) {
  body.assign(kBeforeMethod);
  AppendMethod(body, parts.Method);
  body.append(kBeforeData);

  // What follows the data is made first: its length, with "hasNextPart" one digit either way,
  // tells exactly how many bytes the data may take.
  tail.assign(kBeforeNextPart);
  const std::size_t nextPart = tail.size();
  tail.push_back('0');
  tail.append(kBeforeErrNo);
  AppendInteger(tail, parts.ErrNo);
  tail.append(kBeforeTabId);
  AppendInteger(tail, parts.TabID);
  tail.append(kBeforeErrMsg);
  AppendEscapedAsciiWithin(tail, parts.ErrMsg, kMaxEchoBytes);
  tail.append(kEnd);

  const std::size_t envelope = body.size() + tail.size();
  const std::size_t budget = envelope < kMaxReplyBytes ? kMaxReplyBytes - envelope : 0;
  // The data is cut as it is escaped: it takes the units whose escapes fit.
  const std::size_t units = AppendEscapedAsciiWithin(body, pending.substr(0, maxUnits), budget);
  if (units < pending.size()) tail[nextPart] = '1';
  body.append(tail);
  return units;
}

TReplyBody MakeReplyBody(TReplyParts parts, std::u16string_view pending, std::size_t maxUnits) {
  TReplyBody body;
  std::string tail;
  body.DataUnits = WriteReplyBody(parts, pending, maxUnits, body.Text, tail);
  return body;
}
