#include "operations/library_operations.h"

#include <string>
#include <utility>

#include "operations/WStrList.h"
#include "operations/ole_text.h"
#include "operations/operation_params.h"

namespace operations {

namespace {

// In mode 2 the library gets a blank buffer of this many units in place of text 2.
constexpr std::size_t kDialogBufferLength = 1'024'000;
constexpr std::int32_t kDialogBufferMode = 2;

std::u16string LastErrorText(const TTavrinFunctions& tavrin) {
  TOutBstr message(tavrin.FreeString);
  tavrin.GetLastErrorStrW(message.Out());  // its own status says nothing about the operation
  return message.Text();
}

// The common shape of the calls that return one text: make the call, fetch the last error,
// reply with the status, that error and the returned text.
template <typename TCall>
void ReplyWithText(IOperationHost& host, const TTavrinFunctions& tavrin, TCall call) {
  TOutBstr result(tavrin.FreeString);
  const std::int32_t status = call(result.Out());
  std::u16string errMsg = LastErrorText(tavrin);
  host.SendLibraryReply(status, std::move(errMsg), std::move(result));
}

void ReplyWithStatus(IOperationHost& host, const TTavrinFunctions& tavrin, std::int32_t status) {
  host.SendReply(status, LastErrorText(tavrin), {});
}

template <typename TSign>
void Sign(IOperationHost& host, const TTavrinFunctions& tavrin, TSign sign) {
  const TInBstr input(TextParamView(host.Params(), 1));
  const std::int32_t number = NumberParam(host.Params(), 2);
  host.SyncFixWind();
  ReplyWithText(host, tavrin, [&](TBstr* out) { return sign(input.Get(), out, number); });
}

}  // namespace

void DoInit(IOperationHost& host, const TTavrinFunctions& tavrin) {
  TOutBstr about(tavrin.FreeString);
  const std::int32_t status = tavrin.AboutW(about.Out());
  std::u16string errMsg = LastErrorText(tavrin);
  host.SendReply(status, std::move(errMsg), status == 0 ? u"OK" : u"ERR");
}

void DoAbout(IOperationHost& host, const TTavrinFunctions& tavrin) {
  ReplyWithText(host, tavrin, [&](TBstr* out) { return tavrin.AboutW(out); });
}

void DoGetFileNameDlg(IOperationHost& host, const TTavrinFunctions& tavrin) {
  const TWideStrings& params = host.Params();
  const std::int32_t mode = NumberParam(params, 5);
  const bool bufferMode = (static_cast<std::uint32_t>(mode) & 0xFFFF) == kDialogBufferMode;
  const TInBstr text1(TextParamView(params, 1));
  const TInBstr text2 =
      bufferMode ? TInBstr(kDialogBufferLength, u' ') : TInBstr(TextParamView(params, 2));
  const TInBstr text3(TextParamView(params, 3));
  const TInBstr text4(TextParamView(params, 4));
  host.SyncFixWind();
  ReplyWithText(host, tavrin, [&](TBstr* out) {
    return tavrin.GetFileNameDlgW(text1.Get(), text2.Get(), text3.Get(), text4.Get(), mode, out);
  });
}

void DoSetCfgCodePageNumber(IOperationHost& host, const TTavrinFunctions& tavrin) {
  const std::int32_t codePage = NumberParam(host.Params(), 1);
  ReplyWithStatus(host, tavrin, tavrin.SetCfgCodePageNumberW(codePage));
}

void DoGetCfgCodePageNumber(IOperationHost& host, const TTavrinFunctions& tavrin) {
  std::uint16_t codePage = 0;
  const std::int32_t status = tavrin.GetCfgCodePageNumberW(&codePage);
  std::u16string errMsg = LastErrorText(tavrin);
  const std::string digits = std::to_string(codePage);
  host.SendReply(status, std::move(errMsg), std::u16string(digits.begin(), digits.end()));
}

void DoSignDetached(IOperationHost& host, const TTavrinFunctions& tavrin) {
  Sign(host, tavrin, tavrin.SignDetachedW);
}

void DoSignFileDetached(IOperationHost& host, const TTavrinFunctions& tavrin) {
  Sign(host, tavrin, tavrin.SignFileDetachedW);
}

void DoSetCfgSignatureHashAlgorithmNumber(IOperationHost& host, const TTavrinFunctions& tavrin) {
  const std::int32_t algorithm = NumberParam(host.Params(), 1);
  std::int32_t status = tavrin.SetCfgSignatureHashAlgorithmNumberW(algorithm);
  if (status == 0) status = tavrin.SetCfgSigningCertificateHashAlgorithmNumberW(algorithm);
  ReplyWithStatus(host, tavrin, status);
}

void DoGetLastCertSenderSignatureSN(IOperationHost& host, const TTavrinFunctions& tavrin) {
  ReplyWithText(host, tavrin,
                [&](TBstr* out) { return tavrin.GetLastCertSenderSignatureSNW(out); });
}

void DoEncodeFile(IOperationHost& host, const TTavrinFunctions& tavrin) {
  const TInBstr fileName(TextParam(host.Params(), 1));
  ReplyWithText(host, tavrin, [&](TBstr* out) { return tavrin.EncodeFileW(fileName.Get(), out); });
}

}  // namespace operations
