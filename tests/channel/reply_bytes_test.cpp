// Reply bodies are written without building the block into the reply value;
// these tests hold them to the bytes that the value itself serialises to,
// and show a long result handed out from the library's own string.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "channel/reply_block.h"
#include "json/jsonvalue.h"
#include "platform/code_page.h"
#include "platform/ole_string.h"
#include "worker_harness.h"

namespace {

// The reply built member by member and serialised whole.
std::string ValueBody(const TReply& r) {
  IJsonValue reply = ParseJson(u"{}");
  reply->PutInt(u"tabID", r.TabID);
  reply->PutText(u"metoda", r.Method);
  reply->PutInt(u"errNo", r.ErrNo);
  reply->PutText(u"errMsg", r.ErrMsg);
  IJsonValue result = ParseJson(u"{}");
  result->PutInt(u"hasNextPart", r.HasNextPart);
  result->PutText(u"data", r.Data);
  reply->Put(u"result", result);
  return WideToThreadAnsi(reply->ToJsonText(false, true));
}

std::u16string RandomText(std::mt19937& random, std::size_t length) {
  const char16_t alphabet[] = {u'a', u'b', u'"',  u'\\',  u'/',   u':',   u'\n', 0x01,
                               0x7F, 0xE1, 0x10D, 0x20AC, 0xD83D, 0xDE00, 0xFFFF};
  std::u16string text(length, u'x');
  for (char16_t& u : text) {
    if (random() % 3 == 0) u = alphabet[random() % std::size(alphabet)];
  }
  return text;
}

TEST(ReplyBytes, EveryReplyIsTheBodyItsValueWritesTo) {
  // Method names and error texts that look like the data member, with
  // texts of every kind, cut into small blocks.
  const std::string methods[] = {"SIGNDETACHED", R"(x","data":"y)", R"("data":"")", "\"data\""};
  const std::u16string errors[] = {u"", u"\"data\":\"\"", u"chyba \u010d"};
  std::mt19937 random(3);
  for (const std::string& method : methods) {
    for (const std::u16string& error : errors) {
      const std::u16string data = RandomText(random, 40);
      TWorkerHarness harness;
      harness.OnCommand = [&](TTestWorker& worker, const std::string& command) {
        worker.SetBlockLength(7);
        worker.SetMethodName(command == "first" ? method : "GETNEXTBLOCK");
        worker.SendReply(-5, command == "first" ? error : u"", command == "first" ? data : u"");
      };
      std::vector<std::string> requests(10, "!next");
      requests[0] = "!first";
      const auto replies = harness.Run(requests);
      ASSERT_EQ(replies.size(), 10u);
      std::u16string all;
      for (const TReply& reply : replies) {
        ASSERT_EQ(reply.Body, ValueBody(reply)) << method;
        all += reply.Data;
      }
      EXPECT_EQ(all, data);
      EXPECT_EQ(replies[6].HasNextPart, 0);
    }
  }
}

// A library string whose release is counted.
int gFreed = 0;
void CountingFree(platform::TBstr text) noexcept {
  if (text != nullptr) ++gFreed;
  platform::SysFreeString(text);
}

TOutBstr LibraryText(std::u16string_view text) {
  TOutBstr out(CountingFree);
  *out.Out() = platform::SysAllocStringLen(text.data(), static_cast<std::uint32_t>(text.size()));
  return out;
}

class LibraryReplyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gFreed = 0;
    Harness.OnCommand = [this](TTestWorker& worker, const std::string& command) {
      worker.SetMethodName(command);
      if (command == "SIGNDETACHED") {
        worker.SendLibraryReply(3, u"warn", LibraryText(Text));
      } else {
        worker.SendReply(0, {}, u"other");
      }
    };
  }

  TWorkerHarness Harness;
  std::u16string Text;
};

TEST_F(LibraryReplyTest, ALongResultIsHandedOutFromTheLibraryStringAndFreedAfterItsLastBlock) {
  std::mt19937 random(9);
  Text = RandomText(random, 1'200'000);
  const auto replies = Harness.Run({"!SIGNDETACHED", "!GETNEXTBLOCK", "!GETNEXTBLOCK",
                                    "!GETNEXTBLOCK", "!GETNEXTBLOCK", "!GETNEXTBLOCK"});
  std::u16string all;
  std::size_t last = 0;
  for (const TReply& reply : replies) {
    ASSERT_EQ(reply.Body, ValueBody(reply));
    ASSERT_LE(reply.Body.size(), kMaxReplyBytes);
    all += reply.Data;
    if (reply.HasNextPart == 0) break;
    ++last;
  }
  ASSERT_LT(last, replies.size());
  EXPECT_EQ(all, Text);
  EXPECT_EQ(replies[0].ErrNo, 3);
  EXPECT_EQ(replies[0].ErrMsg, u"warn");
  EXPECT_EQ(gFreed, 1);
  EXPECT_FALSE(Harness.Worker->PendingLeft());
}

TEST_F(LibraryReplyTest, AnotherRequestFreesTheRestAndAShortResultIsFreedAtOnce) {
  Text = std::u16string(1'000'000, u'z');
  const auto replies = Harness.Run({"!SIGNDETACHED", "!GETNEXTBLOCK", "!ABOUT", "!GETNEXTBLOCK"});
  ASSERT_EQ(replies.size(), 4u);
  EXPECT_EQ(replies[1].HasNextPart, 1);
  EXPECT_EQ(replies[2].Data, u"other");
  EXPECT_EQ(replies[3].Data, u"");
  EXPECT_EQ(gFreed, 1);

  TWorkerHarness harness;
  harness.OnCommand = Harness.OnCommand;
  Text = u"short \u010d";
  const auto one = harness.Run({"!SIGNDETACHED"});
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].Data, Text);
  EXPECT_EQ(one[0].HasNextPart, 0);
  EXPECT_EQ(gFreed, 2);
  EXPECT_EQ(harness.Worker->PendingCapacity(), std::u16string().capacity());
}

}  // namespace
