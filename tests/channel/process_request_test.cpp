// Request intake: how a message becomes a method, a tab id and parameters,
// where it is routed, and how every message gets exactly one reply.
#include <gtest/gtest.h>

#include "platform/code_page.h"

#include <string>
#include <vector>

#include "operations/uTavrinDLL.h"
#include "platform/ole_string.h"
#include "tests/channel/worker_harness.h"

namespace {

using namespace std::string_literals;

// What the fake library's SignDetachedW was given, and what AboutW fails with.
struct TSignCall {
  std::u16string Text;
  std::int32_t Number = 0;
};
std::vector<TSignCall> signCalls;
bool aboutThrows = false;

std::int32_t ReturnText(TBstr* out, std::u16string_view text) {
  *out = platform::SysAllocStringLen(text.data(), static_cast<std::uint32_t>(text.size()));
  return 0;
}

// The fakes take the library's calling convention, which a plain lambda does not convert to
// on 32-bit Windows.
TTavrinFunctions FakeLibrary() {
  TTavrinFunctions f;
  f.AboutW = [](TBstr* out) FEROLANT_LIBCALL -> std::int32_t {
    // Error messages are narrow text in the ANSI code page.
    if (aboutThrows) throw std::runtime_error(platform::WideToThreadAnsi(u"library fault \u010d"));
    return ReturnText(out, u"about");
  };
  f.GetLastErrorStrW = [](TBstr*) FEROLANT_LIBCALL { return std::int32_t{0}; };
  f.SignDetachedW = [](TInText text, TBstr* out, std::int32_t n) FEROLANT_LIBCALL {
    signCalls.push_back({text ? std::u16string(text, platform::SysStringLen(text)) : u"", n});
    return ReturnText(out, u"sig");
  };
  return f;
}

class ProcessRequestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    signCalls.clear();
    aboutThrows = false;
    Harness.Setup.Tavrin = &Library;
  }

  const TTavrinFunctions Library = FakeLibrary();
  TWorkerHarness Harness;
};

TEST_F(ProcessRequestTest, TheMethodIsRoutedInAnyCaseAndEchoedAsSent) {
  const auto replies = Harness.Run({R"({"metoda":"nativeversion","parametry":{},"tabID":7})",
                                    R"({"metoda":"About","parametry":{},"tabID":8})",
                                    R"({"metoda":"NoSuchThing","parametry":{},"tabID":9})",
                                    R"({"metoda":"","parametry":{}})"});
  ASSERT_EQ(replies.size(), 4u);
  EXPECT_EQ(replies[0].Method, u"nativeversion");
  EXPECT_EQ(replies[0].Data, u"2");
  EXPECT_EQ(replies[0].TabID, 7);
  EXPECT_EQ(replies[1].Method, u"About");
  EXPECT_EQ(replies[1].Data, u"about");
  EXPECT_EQ(replies[2].ErrNo, -31901);
  EXPECT_EQ(replies[2].ErrMsg, u"Unknown method name");
  EXPECT_EQ(replies[3].ErrNo, -31901);
  EXPECT_EQ(replies[3].TabID, 0);
  // NATIVEVERSION asked the main thread to watch for a dialog of this thread.
  EXPECT_EQ(Harness.Form.FixWindThreads.size(), 1u);
}

// A method that asks for the dialog watch costs two hand-overs (the start, and the stop once
// the call has returned) where there are windows to watch, and none where there are none.
TEST_F(ProcessRequestTest, TheDialogWatchCostsHandOversOnlyWhereThereAreWindows) {
  struct TCase {
    const char* Method;
    bool HasWindows;
    std::size_t Watches;
    int HandOvers;  // the last one ends the program
  };
  for (const TCase& c : {TCase{"NATIVEVERSION", true, 1, 3}, TCase{"NATIVEVERSION", false, 0, 1},
                         TCase{"SIGNDETACHED", true, 1, 3}, TCase{"SIGNDETACHED", false, 0, 1},
                         TCase{"ABOUT", true, 0, 1}}) {
    SCOPED_TRACE(std::string(c.Method) + (c.HasWindows ? " with windows" : " without"));
    TWorkerHarness harness;
    harness.Setup.Tavrin = &Library;
    harness.Form.HasWindows = c.HasWindows;
    const auto replies = harness.Run({R"({"metoda":")" + std::string(c.Method) +
                                      R"(","parametry":{"param1":"t","param2":"1"},"tabID":1})"});
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].ErrNo, 0);
    EXPECT_EQ(harness.Form.FixWindThreads.size(), c.Watches);
    EXPECT_EQ(harness.MainThread.HandOvers, c.HandOvers);
  }
}

TEST_F(ProcessRequestTest, TheTabIdIsReadFromAnyKindAndKeptToItsLow32Bits) {
  const auto replies = Harness.Run({R"({"metoda":"X","parametry":{}})",
                                    R"({"metoda":"X","parametry":{},"tabID":"12"})",
                                    R"({"metoda":"X","parametry":{},"tabID":4294967303})",
                                    R"({"metoda":"X","parametry":{},"tabID":4294967295})",
                                    R"({"metoda":"X","parametry":{},"tabID":true})"});
  ASSERT_EQ(replies.size(), 5u);
  EXPECT_EQ(replies[0].TabID, 0);
  EXPECT_EQ(replies[1].TabID, 12);
  EXPECT_EQ(replies[2].TabID, 7);
  EXPECT_EQ(replies[3].TabID, -1);
  EXPECT_EQ(replies[4].TabID, 1);
}

TEST_F(ProcessRequestTest, MessagesOfTheWrongShapeAreInvalidCommunication) {
  const auto replies = Harness.Run({R"({"metoda":"X","parametry":{},"tabID":5})",
                                    R"({"metoda":"INIT","parametry":[]})", "not json {",
                                    R"({"metoda":1,"parametry":{}})", R"({"parametry":{}})",
                                    R"(["metoda"])", "\"just text\""});
  ASSERT_EQ(replies.size(), 7u);
  for (std::size_t i = 1; i < replies.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(replies[i].ErrNo, -31909);
    EXPECT_EQ(replies[i].ErrMsg, u"Invalid communication");
    // The last well-formed request's tab, and no method.
    EXPECT_EQ(replies[i].TabID, 5);
    EXPECT_EQ(replies[i].Method, u"");
    EXPECT_EQ(replies[i].Data, u"");
  }
}

TEST_F(ProcessRequestTest, ParametersAreAGapFreeRunOfStrings) {
  Harness.Run({
      R"({"metoda":"SIGNDETACHED","parametry":{"param1":"a","param3":"c"}})",
      R"({"metoda":"SIGNDETACHED","parametry":{"param1":5,"param2":"b"}})",
      R"({"metoda":"SIGNDETACHED","parametry":{"param2":"12","param1":"x","other":"7"}})",
      R"({"metoda":"SIGNDETACHED","parametry":{"param1":"t"}})",
  });
  ASSERT_EQ(signCalls.size(), 4u);
  EXPECT_EQ(signCalls[0].Text, u"a");
  EXPECT_EQ(signCalls[0].Number, 0);
  EXPECT_EQ(signCalls[1].Text, u"");
  EXPECT_EQ(signCalls[2].Text, u"x");
  EXPECT_EQ(signCalls[2].Number, 12);
  // A missing second parameter reads as the number 0, not as the last request's.
  EXPECT_EQ(signCalls[3].Number, 0);
}

TEST_F(ProcessRequestTest, RawUtf8ParametersArriveAsSentFourByteSequencesIncluded) {
  Harness.Run(
      {"{\"metoda\":\"SIGNDETACHED\",\"parametry\":{\"param1\":\"\xC4\x8D\xE2\x82\xAC"
       "\xF0\x9F\x98\x80\"}}"});
  ASSERT_EQ(signCalls.size(), 1u);
  EXPECT_EQ(signCalls[0].Text, u"\u010d\u20ac\xD83D\xDE00");
}

TEST_F(ProcessRequestTest, ExtraTextAfterTheRequestIsIgnored) {
  const auto replies = Harness.Run(
      {R"({"metoda":"NATIVEVERSION","parametry":{},"tabID":2}{"metoda":"ABOUT","parametry":{}})"});
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(replies[0].Method, u"NATIVEVERSION");
  EXPECT_EQ(replies[0].TabID, 2);
}

TEST_F(ProcessRequestTest, AHandlerErrorIsAnsweredWithItsMessage) {
  aboutThrows = true;
  Harness.Setup.Tavrin = &Library;
  const auto replies = Harness.Run({R"({"metoda":"ABOUT","parametry":{},"tabID":4})",
                                    R"({"metoda":"NATIVEVERSION","parametry":{}})"});
  ASSERT_EQ(replies.size(), 2u);
  EXPECT_EQ(replies[0].ErrNo, -31905);
  EXPECT_EQ(replies[0].ErrMsg, u"library fault \u010d");
  EXPECT_EQ(replies[0].Method, u"ABOUT");
  EXPECT_EQ(replies[0].TabID, 4);
  EXPECT_EQ(replies[1].Data, u"2");
}

TEST_F(ProcessRequestTest, WithoutALibraryItsMethodsFailButTheHostAnswers) {
  Harness.Setup.Tavrin = nullptr;
  const auto replies = Harness.Run({R"({"metoda":"INIT","parametry":{}})"});
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(replies[0].ErrNo, -31905);
  EXPECT_FALSE(replies[0].ErrMsg.empty());
}

TEST_F(ProcessRequestTest, ATabIdBeyondAnyIntegerIsAnsweredAndTheHostGoesOn) {
  const auto replies = Harness.Run({R"({"metoda":"X","parametry":{},"tabID":6})",
                                    R"({"metoda":"NATIVEVERSION","parametry":{},"tabID":1e300})",
                                    R"({"metoda":"NATIVEVERSION","parametry":{},"tabID":8})"});
  ASSERT_EQ(replies.size(), 3u);
  EXPECT_EQ(replies[1].ErrNo, -31905);
  EXPECT_EQ(replies[1].ErrMsg, u"Invalid floating point operation");
  EXPECT_EQ(replies[1].TabID, 6);
  EXPECT_EQ(replies[2].Data, u"2");
  EXPECT_EQ(replies[2].TabID, 8);
}

TEST_F(ProcessRequestTest, AReplyThatCannotBeWrittenEndsTheReadLoop) {
  Harness.Output.WriteLimit = 10;
  Harness.RunBytes(Frame(R"({"metoda":"NATIVEVERSION","parametry":{}})") +
                   Frame(R"({"metoda":"NATIVEVERSION","parametry":{}})"));
  // The first reply's body and the error reply's body each fail once; the
  // second message is never read.
  EXPECT_EQ(Harness.Output.WriteSizes.size(), 4u);
  EXPECT_TRUE(Harness.Form.Timer.Enabled());
}

TEST_F(ProcessRequestTest, TenThousandRequestsAreAnsweredInOrder) {
  std::vector<std::string> bodies;
  for (int i = 0; i < 10000; ++i) {
    bodies.push_back(R"({"metoda":"NATIVEVERSION","parametry":{},"tabID":)" + std::to_string(i) +
                     "}");
  }
  const auto replies = Harness.Run(bodies);
  ASSERT_EQ(replies.size(), 10000u);
  for (int i = 0; i < 10000; ++i) ASSERT_EQ(replies[static_cast<std::size_t>(i)].TabID, i);
}

}  // namespace
