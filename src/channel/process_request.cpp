#include <exception>
#include <string>
#include <utility>

#include "channel/NMKomunikace.h"
#include "channel/decode_param.h"
#include "json/jsonvalue.h"
#include "platform/code_page.h"
#include "platform/rtf_log.h"

namespace {

// Parameters are read in a gap-free run from "param1" up to "param10".
constexpr int kMaxParams = 10;

constexpr std::int32_t kInvalidCommunication = -31909;
constexpr std::int32_t kHandlerFailed = -31905;

std::u16string ParamName(int i) {
  std::u16string name = u"param";
  for (const char c : std::to_string(i)) name.push_back(static_cast<char16_t>(c));
  return name;
}

std::u16string MessageOf(const std::exception& error) { return ThreadAnsiToWide(error.what()); }

}  // namespace

void TNMKomunikace::ProcessRequest() {
  if (FLogEnabled) Log(std::string(platform::kLogReceived) + FRequestText);
  FMethodName.clear();
  FParams->ClearItems();

  std::string key;
  bool handled = false;
  try {
    handled = TakeRequest(key);
  } catch (const std::exception& error) {
    // A tab id too large for any integer: answered, and the host keeps serving.
    SendError(kHandlerFailed, MessageOf(error));
    return;
  }
  if (!handled) {
    DoInvalidCommunication();
    return;
  }
  try {
    Route(key);
  } catch (const std::exception& error) {
    // An error while this reply goes out is not caught: it ends the read loop.
    SendError(kHandlerFailed, MessageOf(error));
  }
  SyncStopFixWind();
}

bool TNMKomunikace::TakeRequest(std::string& key) {
  // Each form of a large message goes as soon as the next one exists: the
  // bytes once they are wide text, the wide text once it is parsed.
  std::u16string wideText = ThreadAnsiToWide(FRequestText);
  std::string().swap(FRequestText);
  const IJsonValue request = ParseJson(wideText);
  std::u16string().swap(wideText);
  if (!request) return false;

  const IJsonValue method = request->Get(u"metoda");
  const IJsonValue params = request->Get(u"parametry");
  const IJsonValue tab = request->Get(u"tabID");
  if (!KindIs(method, skString) || !KindIs(params, skObject)) return false;

  // Low 32 bits of whatever the member converts to.
  FTabID = tab ? static_cast<std::int32_t>(static_cast<std::uint32_t>(tab->ToInt())) : 0;
  FMethodName = WideToThreadAnsi(method->TextRef());
  key = AnsiUpperCase(FMethodName);

  for (int i = 1; i <= kMaxParams; ++i) {
    const IJsonValue param = params->Get(ParamName(i));
    if (!KindIs(param, skString)) break;
    FParams->AddItem(DecodeParam(param->TextRef()));
  }
  // The document goes here, before the handler runs.
  return true;
}

void TNMKomunikace::SendError(std::int32_t errNo, std::u16string errMsg) {
  SendReply(errNo, std::move(errMsg), {});
}

void TNMKomunikace::DoInvalidCommunication() {
  SendReply(kInvalidCommunication, u"Invalid communication", {});
}

void TNMKomunikace::Route(const std::string& key) {
  using THandler = void (TNMKomunikace::*)();
  struct TRoute {
    const char* Name;
    THandler Handler;
  };
  static constexpr TRoute kRoutes[] = {
      {"INIT", &TNMKomunikace::DoInit},
      {"ABOUT", &TNMKomunikace::DoAbout},
      {"GETFILENAMEDLG", &TNMKomunikace::DoGetFileNameDlg},
      {"SETCFGCODEPAGENUMBER", &TNMKomunikace::DoSetCfgCodePageNumber},
      {"GETCFGCODEPAGENUMBER", &TNMKomunikace::DoGetCfgCodePageNumber},
      {"SIGNDETACHED", &TNMKomunikace::DoSignDetached},
      {"SIGNFILEDETACHED", &TNMKomunikace::DoSignFileDetached},
      {"SETCFGSIGNATUREHASHALGORITHMNUMBER", &TNMKomunikace::DoSetCfgSignatureHashAlgorithmNumber},
      {"GETLASTCERTSENDERSIGNATURESN", &TNMKomunikace::DoGetLastCertSenderSignatureSN},
      {"ENCODEFILE", &TNMKomunikace::DoEncodeFile},
      {"GETNEXTBLOCK", &TNMKomunikace::DoGetNextBlock},
      {"NATIVEVERSION", &TNMKomunikace::DoNativeVersion},
      {"GETFILESIZE", &TNMKomunikace::DoGetFileSize},
  };
  for (const TRoute& route : kRoutes) {
    if (key == route.Name) {
      (this->*route.Handler)();
      return;
    }
  }
  DoUnknownMethod();
}
