// The worker thread: reads Native Messaging frames from standard input one
// after another, has each message handled and answered before the next frame
// is taken, and ends the program when the input ends after a frame header.
//
// It runs the stages of the channel in order and keeps the state between
// them: TFrameReader (frame_reader.h), TakeRequest (request_intake.h), the
// handler of the request's route, WriteReplyBody (reply_envelope.h) and
// WriteFrame (frame_writer.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "channel/host_form.h"
#include "channel/pending_text.h"
#include "channel/request_intake.h"
#include "channel/standard_streams.h"
#include "channel/worker_setup.h"
#include "operations/WStrList.h"
#include "operations/operation_host.h"
#include "platform/byte_stream.h"
#include "platform/thread.h"

struct TTavrinFunctions;

class TNMKomunikace : public platform::TThread, public IOperationHost {
 public:
  TNMKomunikace(platform::IMainThread& mainThread, IHostForm& form,
                TStreamFactory streams = OpenStandardStreams,
                const TWorkerSetup& setup = WorkerSetup);

  // Creates a worker that starts at once, owns itself and is freed when its
  // read loop has ended.
  static void Start(platform::IMainThread& mainThread, IHostForm& form,
                    TStreamFactory streams = OpenStandardStreams);

  // The operation host: what the handlers of one request use.
  const TWideStrings& Params() const override { return *FParams; }
  // The one place where replies are made: wraps the triple in the reply
  // envelope (reply_envelope.h), keeps what does not fit one block for
  // GETNEXTBLOCK, writes one frame. Empty texts mean none.
  void SendReply(std::int32_t errNo, std::u16string errMsg, std::u16string data) override;
  void SendLibraryReply(std::int32_t errNo, std::u16string errMsg, TOutBstr data) override;
  void SyncFixWind() override;

  // Whether the rest of a long result still waits for GETNEXTBLOCK, and the memory it holds.
  bool PendingEmpty() const noexcept { return FPendingStart >= FPendingData.View().size(); }
  std::size_t PendingCapacity() const noexcept { return FPendingData.Capacity(); }

 protected:
  void Execute() override;

  // Handles the message in RequestText() and answers it; called once for
  // each non-empty message.
  virtual void ProcessRequest();
  // The message bytes, one character per byte.
  const std::string& RequestText() const noexcept { return FRequestText; }
  // Takes over the request's method, route, tab id and parameters.
  void Accept(TRequest request);

  // Writes one reply frame with body text on the output stream, if any.
  void WriteReplyFrame(const std::string& text);

  // After a request whose handler asked for the dialog watch: tells the form the call is over.
  void SyncStopFixWind();
  // On the main thread: lets TimerEndApp end the program.
  void SyncEndApp();
  // On the main thread: appends FLogLine to the window log and saves it.
  void WriteLog();

  void SendError(std::int32_t errNo, std::u16string errMsg);
  void DoInvalidCommunication();

 private:
  std::string FRequestText;  // the message bytes, one character per byte
  std::string FMethodName;
  // Where FMethodName led; a GETNEXTBLOCK reply hands out what waits instead
  // of its own data.
  TRoute FRoute = TRoute::UnknownMethod;
  std::int32_t FTabID = 0;
  std::unique_ptr<TWideStrings> FParams;
  std::string FLogLine;
  // The body of the last reply and room for its end, kept so that the next reply needs no
  // new memory (a reply is at most a megabyte).
  std::string FReplyText;
  std::string FReplyTail;
  std::unique_ptr<platform::IByteStream> FInput;
  std::unique_ptr<platform::IByteStream> FOutput;
  // The rest of the last long result still to be handed out starts at
  // FPendingStart: a block is taken by moving the position, so handing out
  // one costs what the block costs, not what is still waiting.
  TPendingText FPendingData;
  std::size_t FPendingStart = 0;
  // Reply data longer than this many UTF-16 units goes out in blocks.
  const std::int32_t FBlockLength;
  bool FLogEnabled = false;

  IHostForm& FForm;
  bool FFixWindStarted = false;  // SyncFixWind ran during the current request

  // Hands one line to the traffic log when it is switched on.
  void Log(std::string line);
  void DropPending() noexcept;
  void Reply(std::int32_t errNo, std::u16string errMsg, TPendingText data);

  TStreamFactory FStreamFactory;
  const TTavrinFunctions* FTavrin;
  std::string FLogFileName;
};
