#include <algorithm>
#include <string_view>
#include <utility>

#include "channel/NMKomunikace.h"
#include "channel/reply_block.h"
#include "json/json_escape.h"
#include "json/jsonvalue.h"
#include "platform/code_page.h"
#include "platform/rtf_log.h"

namespace {

IJsonValue EmptyObject() { return ParseJson(u"{}"); }

// The method name and the error text come from the request and the library:
// each is cut to this many escaped bytes, so that no echo can push a reply
// past kMaxReplyBytes and there is always room left for data.
constexpr std::size_t kMaxEchoBytes = 256 * 1024;

std::u16string Echo(std::u16string text) {
  text.resize(BlockUnits(text, text.size(), kMaxEchoBytes));
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

void TNMKomunikace::SendReply(std::int32_t errNo, std::u16string errMsg, std::u16string data) {
  Reply(errNo, std::move(errMsg), TPendingText(std::move(data)));
}

void TNMKomunikace::SendLibraryReply(std::int32_t errNo, std::u16string errMsg, TOutBstr data) {
  Reply(errNo, std::move(errMsg), TPendingText(std::move(data)));
}

void TNMKomunikace::Reply(std::int32_t errNo, std::u16string errMsg, TPendingText data) {
  const bool nextBlock = AnsiUpperCase(FMethodName) == "GETNEXTBLOCK";

  IJsonValue reply = EmptyObject();
  reply->PutInt(u"tabID", FTabID);
  reply->PutText(u"metoda", Echo(ThreadAnsiToWide(FMethodName)));
  reply->PutInt(u"errNo", errNo);
  reply->PutText(u"errMsg", Echo(std::move(errMsg)));
  IJsonValue result = EmptyObject();
  result->PutInt(u"hasNextPart", 0);
  result->PutText(u"data", u"");
  reply->Put(u"result", result);

  // "hasNextPart" is one digit either way, so the reply without its data
  // tells exactly how many bytes the data may take.
  const auto envelope = static_cast<std::size_t>(reply->MeasureJson(false, true));
  const std::size_t budget = envelope < kMaxReplyBytes ? kMaxReplyBytes - envelope : 0;
  const auto blockLength = static_cast<std::size_t>(FBlockLength);

  // The block is taken from the front of what waits; a reply that is not
  // GETNEXTBLOCK first makes its own data wait, so that any rest it had is
  // discarded and one that fits is gone once it is sent.
  if (!nextBlock) {
    FPendingData = std::move(data);
    FPendingStart = 0;
  }
  // The block is escaped straight into the bytes that go out instead of
  // being copied into the reply value, escaped into wide text and narrowed,
  // which for a block of up to a megabyte in every GETNEXTBLOCK is most of
  // the work. Escaped text is ASCII, which every ANSI code page keeps as it
  // is, so the bytes are those the thread code page gives for the whole text.
  const std::string emptyData = WideToThreadAnsi(reply->ToJsonText(false, true));
  const std::size_t slot = DataSlot(emptyData);
  std::string text(emptyData, 0, slot);
  // The block is cut as it is escaped: it takes the units whose escapes fit.
  const std::u16string_view rest =
      FPendingData.View().substr(std::min(FPendingStart, FPendingData.View().size()));
  FPendingStart += AppendEscapedAsciiWithin(text, rest.substr(0, blockLength), budget);
  result->PutInt(u"hasNextPart", PendingEmpty() ? 0 : 1);
  result = nullptr;
  const std::string withNext = WideToThreadAnsi(reply->ToJsonText(false, true));
  reply = nullptr;
  // The front stays the same as long as "hasNextPart" is written after the data.
  const std::size_t nextSlot = DataSlot(withNext);
  text.replace(0, slot, withNext, 0, nextSlot);
  text.append(withNext, nextSlot);
  if (PendingEmpty()) DropPending();

  if (FLogEnabled) Log(std::string(platform::kLogSending) + text);
  WriteReplyFrame(text);
  if (FLogEnabled) Log(std::string(platform::kLogSent));
}

void TNMKomunikace::DropPending() noexcept {
  FPendingData.Release();
  FPendingStart = 0;
}
