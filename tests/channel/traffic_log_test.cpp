// The traffic log: off unless switched on; when on, three lines for every
// answered request, each saved at once, and a save that fails costs nothing.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/rtf_log.h"
#include "tests/channel/worker_harness.h"

namespace {

using ::testing::Test;

const std::string kRequest = R"({"metoda":"NATIVEVERSION","parametry":{},"tabID":3})";
const std::string kReply =
    R"({"metoda":"NATIVEVERSION","result":{"data":"2","hasNextPart":0},"errNo":0,"tabID":3,"errMsg":""})";

TEST(TrafficLog, IsOffUnlessSwitchedOn) {
  TWorkerHarness harness;
  harness.Run({kRequest});
  EXPECT_TRUE(harness.Form.Log.Lines().empty());
  EXPECT_TRUE(harness.Form.Log.SavedTo.empty());
}

TEST(TrafficLog, WritesThreeLinesPerRequestAndSavesTheLogAfterEach) {
  TWorkerHarness harness;
  harness.Setup.LogEnabled = true;
  harness.Setup.LogFileName = "/somewhere/Ferolant.log";
  harness.Run({kRequest, "\xC4\x8D"});
  const std::vector<std::string> expected{
      "P\xF8ijato z Chrome: " + kRequest,
      "Bude se odes\xEDlat do Chrome: " + kReply,
      "V po\xF8\xE1"
      "dku odesl\xE1no do Chrome.",
      // The raw bytes as received, undecoded.
      "P\xF8ijato z Chrome: \xC4\x8D",
      std::string(platform::kLogSending) +
          R"({"metoda":"","result":{"data":"","hasNextPart":0},"errNo":-31909,"tabID":3,"errMsg":"Invalid communication"})",
      std::string(platform::kLogSent),
  };
  EXPECT_EQ(harness.Form.Log.Lines(), expected);
  EXPECT_EQ(harness.Form.Log.SavedTo, std::vector<std::string>(6, "/somewhere/Ferolant.log"));
}

// A log that saves as the host's does and checks the file after every save.
class TCheckedRtfLog final : public platform::ILogControl {
 public:
  void AppendLine(const std::string& line) override { FLines.push_back(line); }
  std::vector<std::string> Lines() const override { return FLines; }
  void SaveToFile(const std::string& fileName) override {
    ASSERT_EQ(platform::SaveRtfLog(fileName, FLines), "");
    std::ifstream in(fileName, std::ios::binary);
    const std::string saved{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(saved, platform::RtfLogDocument(FLines));
    EXPECT_EQ(saved.rfind("{\\rtf1", 0), 0u);
    ++Saves;
  }
  const platform::TLogControlDesign& Design() const noexcept override { return FDesign; }
  int Saves = 0;

 private:
  std::vector<std::string> FLines;
  platform::TLogControlDesign FDesign;
};

TEST(TrafficLog, TheFileHoldsTheWholeLogAsRichTextAfterEveryLine) {
  const std::string file =
      ::testing::TempDir() + "ferolant-traffic-" + std::to_string(std::random_device{}()) + ".log";
  TInlineMainThread mainThread;
  TCheckedRtfLog log;
  TFakeTimer timer;
  struct TForm final : IHostForm {
    TForm(TFakeTimer& t, platform::ILogControl& l) : Timer(t), Log(l) {}
    platform::ITimer& EndAppTimer() override { return Timer; }
    void StartFixWind(std::uint32_t) override {}
    platform::ILogControl& LogControl() override { return Log; }
    TFakeTimer& Timer;
    platform::ILogControl& Log;
  } form(timer, log);
  TScriptedInput input({Frame(kRequest) + Frame(kRequest)});
  TRecordingOutput output;
  TTestWorker worker(
      mainThread, form,
      [&] {
        return TStreamPair{std::make_unique<TBorrowedStream>(input),
                           std::make_unique<TBorrowedStream>(output)};
      },
      TWorkerSetup{nullptr, true, file});
  worker.RunHere();
  EXPECT_EQ(log.Saves, 6);
  std::remove(file.c_str());
}

// A form whose log cannot be saved, as when the log's folder is missing.
class TUnsavableLog final : public platform::ILogControl {
 public:
  void AppendLine(const std::string& line) override { FLines.push_back(line); }
  std::vector<std::string> Lines() const override { return FLines; }
  void SaveToFile(const std::string& fileName) override {
    throw std::runtime_error("Cannot create file \"" + fileName + "\". No such file or directory");
  }
  const platform::TLogControlDesign& Design() const noexcept override { return FDesign; }

 private:
  std::vector<std::string> FLines;
  platform::TLogControlDesign FDesign;
};

TEST(TrafficLog, ALogThatCannotBeSavedCostsNoReply) {
  TInlineMainThread mainThread;
  TFakeTimer timer;
  TUnsavableLog log;
  struct TForm final : IHostForm {
    TForm(TFakeTimer& t, TUnsavableLog& l) : Timer(t), Log(l) {}
    platform::ITimer& EndAppTimer() override { return Timer; }
    void StartFixWind(std::uint32_t) override {}
    platform::ILogControl& LogControl() override { return Log; }
    TFakeTimer& Timer;
    TUnsavableLog& Log;
  } form(timer, log);

  TScriptedInput input({Frame(kRequest) + Frame(kRequest)});
  TRecordingOutput output;
  TTestWorker worker(
      mainThread, form,
      [&] {
        return TStreamPair{std::make_unique<TBorrowedStream>(input),
                           std::make_unique<TBorrowedStream>(output)};
      },
      TWorkerSetup{nullptr, true, "/no/such/folder/Ferolant.log"});
  worker.RunHere();

  const auto replies = ReadReplies(output.Bytes);
  ASSERT_EQ(replies.size(), 2u);
  EXPECT_EQ(replies[1].Body, kReply);
  EXPECT_EQ(log.Lines().size(), 6u);
  EXPECT_TRUE(timer.Enabled());
}

}  // namespace
