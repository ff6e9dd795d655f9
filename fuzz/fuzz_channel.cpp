// Arbitrary bytes on the worker's standard input, through framing, intake,
// dispatch, the handlers (over an in-process fake of the signing library) and
// the replies. The first input byte says how the input is cut into the pieces
// that single reads return, so short header reads happen too.
//
// What must hold: the output is a sequence of whole frames, one per non-empty
// message; each body is at most 1,048,576 bytes of ASCII without control
// characters that a strict reader of its own accepts as the reply object,
// with its members of the right types in the fixed order; and intake takes
// every message the same with its plain path as with the JSON reader alone.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "channel/NMKomunikace.h"
#include "channel/frame_reader.h"
#include "channel/reply_envelope.h"
#include "fuzz/fake_library.h"
#include "tests/support/fake_host.h"
#include "tests/support/memory_streams.h"
#include "tests/support/request_outcome.h"
#include "tools/client/json_lite.h"

namespace {

using ferolant::client::TJsonLite;

[[noreturn]] void Fail(const char* what, const std::string& body) {
  std::fprintf(stderr, "%s\n  reply: %.2000s\n", what, body.c_str());
  std::abort();
}

std::vector<std::string> Pieces(const std::uint8_t* data, std::size_t size) {
  const std::size_t piece = data[0] == 0 ? size : data[0];
  std::vector<std::string> pieces;
  for (std::size_t at = 1; at < size; at += piece)
    pieces.emplace_back(reinterpret_cast<const char*>(data) + at, std::min(piece, size - at));
  return pieces;
}

void CheckIntakePaths(const std::string& body) {
  if (RequestOutcome(&TakeRequest, body) != RequestOutcome(&TakeRequestByReader, body))
    Fail("the plain path of intake reads a message otherwise than the JSON reader", body);
}

// The number of non-empty messages a worker reading these pieces sees: the
// frame reader run over the same reads.
int CountMessages(const std::vector<std::string>& pieces) {
  TScriptedInput input(pieces);
  TFrameReader reader(&input);
  int messages = 0;
  std::string body;
  for (;;) {
    const TFrameRead read = reader.Next(body);
    if (read == TFrameRead::EndOfInput) return messages;
    if (read == TFrameRead::ShortHeader) continue;
    if (!body.empty()) {
      ++messages;
      CheckIntakePaths(body);
    }
    if (read == TFrameRead::FrameCut) return messages;
  }
}

void CheckMembers(const TJsonLite& object, const std::vector<std::u16string>& names,
                  const std::string& body) {
  if (object.Kind != TJsonLite::TKind::Object) Fail("not an object", body);
  if (object.Names != names) Fail("members missing, extra or out of order", body);
}

void CheckReply(const std::string& body) {
  if (body.size() > kMaxReplyBytes) Fail("reply larger than a browser accepts", body);
  // ASCII only, and no raw control character (DEL is neither: it may stand as itself).
  for (const char c : body)
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7F)
      Fail("reply holds a byte that is a control character or not ASCII", body);
  const auto read = ferolant::client::ParseJsonLite(body);
  if (!read.Value) Fail(("reply is not strict JSON: " + read.Error).c_str(), body);
  const TJsonLite& reply = *read.Value;
  CheckMembers(reply, {u"metoda", u"result", u"errNo", u"tabID", u"errMsg"}, body);
  if (reply.Items[0].Kind != TJsonLite::TKind::String ||
      reply.Items[4].Kind != TJsonLite::TKind::String)
    Fail("metoda and errMsg must be strings", body);
  const auto errNo = reply.Items[2].AsInt();
  const auto tabID = reply.Items[3].AsInt();
  if (!errNo || *errNo < INT32_MIN || *errNo > INT32_MAX)
    Fail("errNo is not a 32-bit integer", body);
  if (!tabID || *tabID < INT32_MIN || *tabID > INT32_MAX)
    Fail("tabID is not a 32-bit integer", body);
  const TJsonLite& result = reply.Items[1];
  CheckMembers(result, {u"data", u"hasNextPart"}, body);
  if (result.Items[0].Kind != TJsonLite::TKind::String) Fail("data is not a string", body);
  const auto hasNextPart = result.Items[1].AsInt();
  if (!hasNextPart || (*hasNextPart != 0 && *hasNextPart != 1))
    Fail("hasNextPart is not 0 or 1", body);
}

int CheckOutput(const std::string& bytes) {
  std::size_t at = 0;
  int frames = 0;
  while (at < bytes.size()) {
    if (bytes.size() - at < 4) Fail("output ends inside a frame header", bytes.substr(at));
    const std::uint32_t size = FrameLength(bytes.data() + at);
    if (size > bytes.size() - at - 4) Fail("output ends inside a frame body", bytes.substr(at + 4));
    CheckReply(bytes.substr(at + 4, size));
    at += 4 + size;
    ++frames;
  }
  return frames;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::vector<std::string> pieces = Pieces(data, size);

  fake_library::Reset();
  static const TTavrinFunctions tavrin = fake_library::Functions();
  TWorkerSetup setup;
  setup.Tavrin = &tavrin;
  TInlineMainThread mainThread;
  TFakeHostForm form;
  TScriptedInput input(pieces);
  TRecordingOutput output;
  {
    TNMKomunikace worker(
        mainThread, form,
        [&] {
          return TStreamPair{std::make_unique<TBorrowedStream>(input),
                             std::make_unique<TBorrowedStream>(output)};
        },
        setup);
    worker.RunHere();
  }
  const int replies = CheckOutput(output.Bytes);
  if (replies != CountMessages(pieces))
    Fail("not one reply for each message", output.Bytes.substr(0, 2000));
  return 0;
}
