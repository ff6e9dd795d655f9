// The worker's read loop over scripted input: how frames are cut, what is
// handed on as a message, and when the program is told to end.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "channel/NMKomunikace.h"
#include "channel/frame_reader.h"
#include "tests/support/fake_host.h"
#include "tests/support/memory_streams.h"

namespace {

using namespace std::string_literals;

// Records every message instead of answering it; can answer with a frame,
// fail, or ask the loop to stop.
class TRecordingWorker final : public TNMKomunikace {
 public:
  using TNMKomunikace::TNMKomunikace;

  std::vector<std::string> Messages;
  std::vector<std::size_t> Capacities;
  std::string Reply;
  bool FailOnMessage = false;
  bool TerminateOnMessage = false;
  std::vector<std::string>* Events = nullptr;

 protected:
  void ProcessRequest() override {
    Messages.push_back(RequestText());
    Capacities.push_back(RequestText().capacity());
    if (Events) Events->push_back("message " + RequestText());
    if (!Reply.empty()) WriteReplyFrame(Reply);
    if (FailOnMessage) throw std::runtime_error("handler failed");
    if (TerminateOnMessage) Terminate();
  }
};

class FrameReaderTest : public ::testing::Test {
 protected:
  // Runs the worker's body over input arriving in the given pieces.
  TRecordingWorker& Run(std::vector<std::string> pieces) {
    Input = std::make_unique<TScriptedInput>(std::move(pieces));
    Worker = std::make_unique<TRecordingWorker>(MainThread, Form, [this] {
      return TStreamPair{std::make_unique<TBorrowedStream>(*Input),
                         std::make_unique<TBorrowedStream>(Output)};
    });
    Configure(*Worker);
    Worker->RunHere();
    return *Worker;
  }
  bool EndRequested() const { return Form.Timer.Enabled(); }

  std::function<void(TRecordingWorker&)> Configure = [](TRecordingWorker&) {};
  TInlineMainThread MainThread;
  TFakeHostForm Form;
  std::unique_ptr<TScriptedInput> Input;
  TRecordingOutput Output;
  std::unique_ptr<TRecordingWorker> Worker;
};

TEST_F(FrameReaderTest, AFrameIsOneMessageAndTheEndOfInputEndsTheProgram) {
  auto& worker = Run({"\x05\x00\x00\x00hello"s});
  EXPECT_EQ(worker.Messages, std::vector<std::string>{"hello"});
  EXPECT_TRUE(EndRequested());
  EXPECT_EQ(MainThread.HandOvers, 1);
}

TEST_F(FrameReaderTest, ABodyInSeveralReadsIsReassembled) {
  const std::string body(2055, 'x');
  std::string frame = Frame(body);
  auto& worker = Run(
      {frame.substr(0, 4), frame.substr(4, 1024), frame.substr(1028, 1024), frame.substr(2052, 7)});
  ASSERT_EQ(worker.Messages.size(), 1u);
  EXPECT_EQ(worker.Messages[0], body);
  // Header, three body pieces, then the header read that meets the end.
  EXPECT_EQ(Input->Requests, std::vector<std::int32_t>(5, TFrameReader::kBufferSize));
}

TEST_F(FrameReaderTest, FramesBackToBackAreHandledInOrderOneAfterAnother) {
  std::vector<std::string> events;
  Configure = [&](TRecordingWorker& worker) { worker.Events = &events; };
  // Both frames in one piece of the pipe.
  TRecordingWorker& worker = Run({Frame("first") + Frame("second")});
  EXPECT_EQ(worker.Messages, (std::vector<std::string>{"first", "second"}));
  EXPECT_EQ(events, (std::vector<std::string>{"message first", "message second"}));
}

TEST_F(FrameReaderTest, AFrameWrittenWholeIsOneReadMadeOnlyAfterTheLastMessageWasHandled) {
  std::vector<std::string> events;
  Configure = [&](TRecordingWorker& worker) {
    worker.Events = &events;
    Input->OnRead = [&] { events.push_back("read"); };
  };
  Run({Frame("a"), Frame("b")});
  EXPECT_EQ(events, (std::vector<std::string>{"read", "message a", "read", "message b", "read"}));
}

TEST_F(FrameReaderTest, AHeaderSplitAcrossReadsIsJoined) {
  // 03 00 arrives alone, as the end of a pipe's part of a large write; the
  // rest of the header comes with the next read.
  auto& worker = Run({Frame("one") + "\x03\x00"s,
                      "\x00\x00"
                      "abc"s});
  EXPECT_EQ(worker.Messages, (std::vector<std::string>{"one", "abc"}));
}

TEST_F(FrameReaderTest, AShortHeaderAloneIsNoHeaderAtAll) {
  auto& worker = Run({"\x05\x00\x00"s});
  EXPECT_TRUE(worker.Messages.empty());
  EXPECT_FALSE(EndRequested());
}

TEST_F(FrameReaderTest, ANegativeLengthReadsNoBodyAndTheNextFourBytesAreAHeader) {
  auto& worker = Run({"\x00\x00\x00\x80"s + Frame("hi")});
  EXPECT_EQ(worker.Messages, std::vector<std::string>{"hi"});
}

TEST_F(FrameReaderTest, AnEmptyFrameIsNotHandedOnButCountsAsAHeader) {
  auto& worker = Run({Frame("") + Frame("next")});
  EXPECT_EQ(worker.Messages, std::vector<std::string>{"next"});
}

TEST_F(FrameReaderTest, AnEmptyFrameAloneStillEndsTheProgram) {
  auto& worker = Run({Frame("")});
  EXPECT_TRUE(worker.Messages.empty());
  EXPECT_TRUE(EndRequested());
}

TEST_F(FrameReaderTest, NoInputAtAllLeavesTheProgramRunning) {
  auto& worker = Run({});
  EXPECT_TRUE(worker.Messages.empty());
  EXPECT_FALSE(EndRequested());
  EXPECT_EQ(MainThread.HandOvers, 0);
  // The input is rewound once, which on a pipe just fails.
  EXPECT_EQ(Input->Seeks, std::vector<std::int64_t>{0});
}

TEST_F(FrameReaderTest, ABodyCutShortIsHandedOnAndThenTheLoopEnds) {
  auto& worker =
      Run({"\x0A\x00\x00\x00"
           "abc"s});
  EXPECT_EQ(worker.Messages, std::vector<std::string>{"abc"});
  EXPECT_TRUE(EndRequested());
  EXPECT_EQ(Input->Requests.size(), 2u);
}

TEST_F(FrameReaderTest, BodyBytesAreKeptOneCharacterPerByte) {
  auto& worker = Run({Frame("\xC3\xA1"s), Frame("a\0b"s)});
  ASSERT_EQ(worker.Messages.size(), 2u);
  EXPECT_EQ(worker.Messages[0], "\xC3\xA1"s);
  EXPECT_EQ(worker.Messages[1], "a\0b"s);
}

TEST_F(FrameReaderTest, AHugeAnnouncedLengthDoesNotReserveItAll) {
  auto& worker =
      Run({"\xFF\xFF\xFF\x7F"
           "tiny"s});
  EXPECT_EQ(worker.Messages, std::vector<std::string>{"tiny"});
  EXPECT_LT(worker.Capacities[0], std::size_t{64} << 20);
}

TEST_F(FrameReaderTest, AnErrorEscapingAMessageEndsTheLoopButStillEndsTheProgram) {
  Configure = [](TRecordingWorker& worker) { worker.FailOnMessage = true; };
  auto& worker = Run({Frame("one") + Frame("two")});
  EXPECT_EQ(worker.Messages, std::vector<std::string>{"one"});
  EXPECT_TRUE(EndRequested());
}

TEST_F(FrameReaderTest, ATerminateRequestEndsTheLoopAfterTheMessage) {
  Configure = [](TRecordingWorker& worker) { worker.TerminateOnMessage = true; };
  auto& worker = Run({Frame("one") + Frame("two")});
  EXPECT_EQ(worker.Messages, std::vector<std::string>{"one"});
  EXPECT_TRUE(EndRequested());
}

TEST_F(FrameReaderTest, WithoutStreamsNothingIsReadAndNothingBreaks) {
  Worker = std::make_unique<TRecordingWorker>(MainThread, Form, [] { return TStreamPair{}; });
  Worker->RunHere();
  EXPECT_TRUE(Worker->Messages.empty());
  EXPECT_FALSE(EndRequested());
}

TEST_F(FrameReaderTest, AReplyGoesOutAsOneFrameOnTheOutput) {
  Configure = [](TRecordingWorker& worker) { worker.Reply = "{\"errNo\":0}"; };
  Run({Frame("request")});
  EXPECT_EQ(Output.Bytes, Frame("{\"errNo\":0}"));
}

// --- The reader alone: what each call gives for input arriving in pieces.

TEST(FrameReader, TellsAFrameACutFrameAShortHeaderAndTheEndOfInputApart) {
  using R = TFrameRead;
  struct TCase {
    const char* Name;
    std::vector<std::string> Pieces;
    std::vector<std::pair<R, std::string>> Reads;  // each result, with the body after it
  };
  const std::string large(TFrameReader::kBufferSize + 10, 'L');
  const TCase cases[] = {
      {"one frame", {"\x02\x00\x00\x00ok"s}, {{R::Frame, "ok"}, {R::EndOfInput, "ok"}}},
      {"empty frame", {"\x00\x00\x00\x00"s}, {{R::Frame, ""}, {R::EndOfInput, ""}}},
      {"negative length", {"\x00\x00\x00\x80x"s}, {{R::Frame, ""}, {R::ShortHeader, ""}}},
      {"body in pieces", {"\x04\x00\x00\x00"s, "ab", "cd"}, {{R::Frame, "abcd"}}},
      {"body cut short",
       {"\x05\x00\x00\x00"
        "abc"s},
       {{R::FrameCut, "abc"}, {R::EndOfInput, "abc"}}},
      {"header in two reads", {"\x01\x00"s, "\x00\x00z"s}, {{R::Frame, "z"}, {R::EndOfInput, "z"}}},
      {"header cut by the end", {"\x01\x00"s}, {{R::ShortHeader, ""}, {R::EndOfInput, ""}}},
      {"nothing", {}, {{R::EndOfInput, ""}}},
      {"a body longer than a read, a frame behind it",
       {Frame(large) + Frame("z")},
       {{R::Frame, large}, {R::Frame, "z"}, {R::EndOfInput, "z"}}},
  };
  for (const TCase& c : cases) {
    TScriptedInput input(c.Pieces);
    TFrameReader reader(&input);
    std::string body;
    for (const auto& [result, after] : c.Reads) {
      EXPECT_EQ(reader.Next(body), result) << c.Name;
      EXPECT_EQ(body, after) << c.Name;
    }
  }
  std::string body = "kept";
  EXPECT_EQ(TFrameReader(nullptr).Next(body), TFrameRead::EndOfInput);
  EXPECT_EQ(body, "kept");
}

}  // namespace
