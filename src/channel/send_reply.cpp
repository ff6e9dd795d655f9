#include <algorithm>
#include <string_view>
#include <utility>

#include "channel/NMKomunikace.h"
#include "channel/reply_block.h"
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

}  // namespace

void TNMKomunikace::SendReply(std::int32_t errNo, std::u16string errMsg, std::u16string data) {
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

  if (nextBlock) {
    const std::u16string_view rest =
        std::u16string_view(FPendingData).substr(std::min(FPendingStart, FPendingData.size()));
    const std::size_t units = BlockUnits(rest, blockLength, budget);
    result->PutText(u"data", rest.substr(0, units));
    FPendingStart += units;
    if (PendingEmpty()) DropPending();
  } else {
    const std::size_t units = BlockUnits(data, blockLength, budget);
    if (units == data.size()) {
      DropPending();
      result->PutText(u"data", std::move(data));
    } else {
      FPendingData = std::move(data);
      FPendingStart = units;
      result->PutText(u"data", std::u16string_view(FPendingData).substr(0, units));
    }
  }
  result->PutInt(u"hasNextPart", PendingEmpty() ? 0 : 1);
  result = nullptr;

  std::string text = WideToThreadAnsi(reply->ToJsonText(false, true));
  reply = nullptr;

  if (FLogEnabled) Log(std::string(platform::kLogSending) + text);
  WriteReplyFrame(text);
  if (FLogEnabled) Log(std::string(platform::kLogSent));
}

void TNMKomunikace::DropPending() noexcept {
  // Assigning an empty string would keep the buffer; swapping gives it back.
  std::u16string().swap(FPendingData);
  FPendingStart = 0;
}
