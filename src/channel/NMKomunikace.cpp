#include "channel/NMKomunikace.h"

#include <algorithm>

#include "channel/frame_writer.h"

namespace {

// The body is read in pieces of at most this many bytes.
constexpr std::int32_t kReadPiece = 1024;
// Memory reserved up front for a body; the length field is not trusted with
// more, so a header that announces 2 GiB followed by little data costs little.
constexpr std::int32_t kReserveLimit = 4 * 1024 * 1024;

}  // namespace

TNMKomunikace::TNMKomunikace(IMainThread& mainThread, IHostForm& form, TStreamFactory streams,
                             const TWorkerSetup& setup)
    : TThread(mainThread),
      FLogEnabled(setup.LogEnabled),
      FForm(form),
      FStreamFactory(std::move(streams)),
      FTavrin(setup.Tavrin),
      FLogFileName(setup.LogFileName) {}

void TNMKomunikace::Start(IMainThread& mainThread, IHostForm& form, TStreamFactory streams) {
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
    if (FInput) FInput->Seek(0, TSeekOrigin::soBeginning);

    std::int32_t n = 0;
    do {
      unsigned char header[4];
      n = FInput ? FInput->Read(header, 4) : 0;
      if (n == 4) {
        HeaderSeen = true;
        const auto length = static_cast<std::int32_t>(
            std::uint32_t{header[0]} | std::uint32_t{header[1]} << 8 |
            std::uint32_t{header[2]} << 16 | std::uint32_t{header[3]} << 24);
        FRequestText.clear();
        FMethodName.clear();
        if (length > 0) n = ReadBody(length);
        if (!FRequestText.empty()) ProcessRequest();
      }
      // A short header read (1 to 3 bytes) is dropped: the next read starts a new header.
    } while (n > 0 && !Terminated());

    FInput.reset();
    FOutput.reset();
  } catch (...) {
    // An error that escapes the handling of a message ends the read loop.
  }
  FParams.reset();
  if (HeaderSeen) Synchronize([this] { SyncEndApp(); });
}

std::int32_t TNMKomunikace::ReadBody(std::int32_t length) {
  FRequestText.reserve(static_cast<std::size_t>(std::min(length, kReserveLimit)));
  char buffer[kReadPiece];
  std::int32_t n = 0;
  while (length > 0) {
    n = FInput->Read(buffer, std::min(length, kReadPiece));
    if (n <= 0) return 0;
    length -= n;
    FRequestText.append(buffer, static_cast<std::size_t>(n));
  }
  return n;
}

void TNMKomunikace::WriteReplyFrame(const std::string& text) { WriteFrame(FOutput.get(), text); }

void TNMKomunikace::SyncEndApp() { FForm.EndAppTimer().SetEnabled(true); }

void TNMKomunikace::SyncFixWind() {
  const std::uint32_t threadId = ThreadID();
  FFixWindStarted = true;
  Synchronize([this, threadId] { FForm.StartFixWind(threadId); });
}

void TNMKomunikace::SyncStopFixWind() {
  if (!FFixWindStarted) return;
  FFixWindStarted = false;
  Synchronize([this] { FForm.StopFixWind(); });
}
