#include "channel/NMKomunikace.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "channel/frame_reader.h"
#include "channel/frame_writer.h"
#include "channel/reply_envelope.h"
#include "operations/host_errors.h"
#include "platform/code_page.h"
#include "platform/rtf_log.h"

namespace {

std::u16string MessageOf(const std::exception& error) {
  return platform::ThreadAnsiToWide(error.what());
}

// Messages up to this size leave their memory to the next one.
constexpr std::size_t kKeptMessageBytes = 64 * 1024;

}  // namespace

TNMKomunikace::TNMKomunikace(platform::IMainThread& mainThread, IHostForm& form,
                             TStreamFactory streams, const TWorkerSetup& setup)
    : platform::TThread(mainThread),
      FBlockLength(setup.BlockLength),
      FLogEnabled(setup.LogEnabled),
      FForm(form),
      FStreamFactory(std::move(streams)),
      FTavrin(setup.Tavrin),
      FLogFileName(setup.LogFileName) {}

void TNMKomunikace::Start(platform::IMainThread& mainThread, IHostForm& form,
                          TStreamFactory streams) {
  StartFreeOnTerminate(std::make_unique<TNMKomunikace>(mainThread, form, std::move(streams)));
}

void TNMKomunikace::Execute() {
  bool HeaderSeen = false;
  FParams = std::make_unique<TWideStrings>();
  try {
    TStreamPair streams = FStreamFactory ? FStreamFactory() : TStreamPair{};
    FInput = std::move(streams.Input);
    FOutput = std::move(streams.Output);
    // Rewinds a file given as input; on a pipe the request fails harmlessly.
    if (FInput) FInput->Seek(0, platform::TSeekOrigin::soBeginning);

    TFrameReader reader(FInput.get());
    TFrameRead read;
    do {
      read = reader.Next(FRequestText);
      if (read == TFrameRead::Frame || read == TFrameRead::FrameCut) {
        HeaderSeen = true;
        FMethodName.clear();
        FRoute = TRoute::UnknownMethod;
        // A body cut short by the end of the input is still a message.
        if (!FRequestText.empty()) ProcessRequest();
      }
    } while ((read == TFrameRead::Frame || read == TFrameRead::ShortHeader) && !Terminated());

    FInput.reset();
    FOutput.reset();
  } catch (...) {
    // An error that escapes the handling of a message ends the read loop.
  }
  FParams.reset();
  if (HeaderSeen) Synchronize([this] { SyncEndApp(); });
}

void TNMKomunikace::ProcessRequest() {
  if (FLogEnabled) Log(std::string(platform::kLogReceived) + FRequestText);
  FMethodName.clear();
  FRoute = TRoute::UnknownMethod;
  FParams->ClearItems();

  std::optional<TRequest> request;
  try {
    // A large message goes as soon as it is wide text, so that it is not held twice; a small
    // one keeps its buffer for the next.
    request = FRequestText.size() > kKeptMessageBytes ? TakeRequest(std::move(FRequestText))
                                                      : TakeRequest(std::string_view(FRequestText));
  } catch (const std::exception& error) {
    // A tab id too large for any integer: answered, and the host keeps serving.
    SendError(host_errors::kHandlerFailed, MessageOf(error));
    return;
  }
  if (!request) {
    DoInvalidCommunication();
    return;
  }
  Accept(std::move(*request));
  try {
    Dispatch(FRoute, *this, FTavrin);
  } catch (const std::exception& error) {
    // An error while this reply goes out is not caught: it ends the read loop.
    SendError(host_errors::kHandlerFailed, MessageOf(error));
  }
  SyncStopFixWind();
}

void TNMKomunikace::Accept(TRequest request) {
  FTabID = request.TabID;
  FMethodName = std::move(request.Method);
  FRoute = request.Route;
  for (std::u16string& param : request.Params) FParams->AddItem(std::move(param));
}

void TNMKomunikace::SendError(std::int32_t errNo, std::u16string errMsg) {
  SendReply(errNo, std::move(errMsg), {});
}

void TNMKomunikace::DoInvalidCommunication() {
  SendReply(host_errors::kInvalidCommunication, u"Invalid communication", {});
}

void TNMKomunikace::SendReply(std::int32_t errNo, std::u16string errMsg, std::u16string data) {
  Reply(errNo, std::move(errMsg), TPendingText(std::move(data)));
}

void TNMKomunikace::SendLibraryReply(std::int32_t errNo, std::u16string errMsg, TOutBstr data) {
  Reply(errNo, std::move(errMsg), TPendingText(std::move(data)));
}

void TNMKomunikace::Reply(std::int32_t errNo, std::u16string errMsg, TPendingText data) {
  // The block is taken from the front of what waits; a reply that is not
  // GETNEXTBLOCK first makes its own data wait, so that any rest it had is
  // discarded and one that fits is gone once it is sent.
  if (FRoute != TRoute::GetNextBlock) {
    FPendingData = std::move(data);
    FPendingStart = 0;
  }
  const std::u16string_view pending = FPendingData.View();
  FPendingStart += WriteReplyBody({FTabID, FMethodName, errNo, std::move(errMsg)},
                                  pending.substr(std::min(FPendingStart, pending.size())),
                                  static_cast<std::size_t>(FBlockLength), FReplyText, FReplyTail);
  if (PendingEmpty()) DropPending();

  if (FLogEnabled) Log(std::string(platform::kLogSending) + FReplyText);
  WriteReplyFrame(FReplyText);
  if (FLogEnabled) Log(std::string(platform::kLogSent));
}

void TNMKomunikace::DropPending() noexcept {
  FPendingData.Release();
  FPendingStart = 0;
}

void TNMKomunikace::WriteReplyFrame(const std::string& text) { WriteFrame(FOutput.get(), text); }

void TNMKomunikace::SyncEndApp() { FForm.EndAppTimer().SetEnabled(true); }

void TNMKomunikace::SyncFixWind() {
  if (!FForm.WatchesDialogs()) return;
  const std::uint32_t threadId = ThreadID();
  FFixWindStarted = true;
  Synchronize([this, threadId] { FForm.StartFixWind(threadId); });
}

void TNMKomunikace::SyncStopFixWind() {
  if (!FFixWindStarted) return;
  FFixWindStarted = false;
  Synchronize([this] { FForm.StopFixWind(); });
}

void TNMKomunikace::Log(std::string line) {
  FLogLine = std::move(line);
  Synchronize([this] { WriteLog(); });
}

void TNMKomunikace::WriteLog() {
  platform::ILogControl& log = FForm.LogControl();
  log.AppendLine(FLogLine);
  try {
    log.SaveToFile(FLogFileName);
  } catch (const std::exception&) {
    // A log that cannot be saved must not cost a request its reply: the line
    // stays in the window log and the traffic goes on.
  }
}
