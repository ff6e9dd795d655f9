// The worker thread: reads Native Messaging frames from standard input one
// after another, has each message handled and answered before the next frame
// is read, and ends the program when the input ends after a frame header.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "channel/host_form.h"
#include "channel/standard_streams.h"
#include "operations/WStrList.h"
#include "platform/byte_stream.h"
#include "platform/thread.h"

class TNMKomunikace : public TThread {
 public:
  // Reply data longer than this many UTF-16 units goes out in blocks.
  static constexpr std::int32_t kBlockLength = 450000;

  TNMKomunikace(IMainThread& mainThread, IHostForm& form,
                TStreamFactory streams = OpenStandardStreams);

  // Creates a worker that starts at once, owns itself and is freed when its
  // read loop has ended.
  static void Start(IMainThread& mainThread, IHostForm& form,
                    TStreamFactory streams = OpenStandardStreams);

 protected:
  void Execute() override;

  // Handles the message in FRequestText and answers it; called once for each
  // non-empty message.
  virtual void ProcessRequest();

  // Writes one reply frame with body text on the output stream, if any.
  void WriteReplyFrame(const std::string& text);

  // On the main thread: lets TimerEndApp end the program.
  void SyncEndApp();

  std::string FRequestText;  // the message bytes, one character per byte
  std::string FMethodName;
  std::int32_t FTabID = 0;
  std::unique_ptr<TWideStrings> FParams;
  std::string FLogLine;
  std::unique_ptr<IByteStream> FInput;
  std::unique_ptr<IByteStream> FOutput;
  std::u16string FPendingData;
  std::int32_t FBlockLength = kBlockLength;
  bool FLogEnabled = false;

  IHostForm& FForm;

 private:
  // Reads into FRequestText the body of a frame announcing length bytes; the
  // count of the last read, 0 when the input ended before the whole body.
  std::int32_t ReadBody(std::int32_t length);

  TStreamFactory FStreamFactory;
};
