#include "channel/reply_envelope.h"

#include <utility>

#include "json/value/jsonvalue.h"
#include "json/writer/json_escape.h"
#include "platform/code_page.h"

namespace {

IJsonValue EmptyObject() { return ParseJson(u"{}"); }

// The method name and the error text come from the request and the library:
// each is cut to this many escaped bytes, so that no echo can push a reply
// past kMaxReplyBytes and there is always room left for data.
constexpr std::size_t kMaxEchoBytes = 256 * 1024;

std::u16string Echo(std::u16string text) {
  text.resize(EscapedAsciiUnitsWithin(text, kMaxEchoBytes));
  return text;
}

// Where the data goes in the body of a reply with empty data: between the
// quotes of `"data":""`. In escaped JSON every quote inside a string is
// preceded by a backslash, and a closing quote is never followed by a colon,
// so that text can only be the one member of that name.
std::size_t DataSlot(std::string_view body) noexcept {
  constexpr std::string_view kEmptyData = "\"data\":\"\"";
  return body.find(kEmptyData) + kEmptyData.size() - 1;
}

}  // namespace

TReplyBody MakeReplyBody(TReplyParts parts, std::u16string_view pending, std::size_t maxUnits) {
  IJsonValue reply = EmptyObject();
  reply->PutInt(u"tabID", parts.TabID);
  reply->PutText(u"metoda", Echo(ThreadAnsiToWide(parts.Method)));
  reply->PutInt(u"errNo", parts.ErrNo);
  reply->PutText(u"errMsg", Echo(std::move(parts.ErrMsg)));
  IJsonValue result = EmptyObject();
  result->PutInt(u"hasNextPart", 0);
  result->PutText(u"data", u"");
  reply->Put(u"result", result);

  // "hasNextPart" is one digit either way, so the reply without its data
  // tells exactly how many bytes the data may take.
  const auto envelope = static_cast<std::size_t>(reply->MeasureJson(false, true));
  const std::size_t budget = envelope < kMaxReplyBytes ? kMaxReplyBytes - envelope : 0;

  // The data is escaped straight into the bytes that go out instead of being
  // copied into the reply value, escaped into wide text and narrowed, which
  // for a block of up to a megabyte in every GETNEXTBLOCK is most of the
  // work. Escaped text is ASCII, which every ANSI code page keeps as it is,
  // so the bytes are those the thread code page gives for the whole text.
  const std::string emptyData = WideToThreadAnsi(reply->ToJsonText(false, true));
  const std::size_t slot = DataSlot(emptyData);
  TReplyBody body;
  body.Text.assign(emptyData, 0, slot);
  // The data is cut as it is escaped: it takes the units whose escapes fit.
  body.DataUnits = AppendEscapedAsciiWithin(body.Text, pending.substr(0, maxUnits), budget);
  result->PutInt(u"hasNextPart", body.DataUnits < pending.size() ? 1 : 0);
  result = nullptr;
  const std::string withNext = WideToThreadAnsi(reply->ToJsonText(false, true));
  reply = nullptr;
  // The front stays the same as long as "hasNextPart" is written after the data.
  const std::size_t nextSlot = DataSlot(withNext);
  body.Text.replace(0, slot, withNext, 0, nextSlot);
  body.Text.append(withNext, nextSlot);
  return body;
}
