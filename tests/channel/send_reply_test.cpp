// Replies as the extension receives them: the exact envelope, and long data
// handed out in blocks that each stay within what a browser accepts.
#include <gtest/gtest.h>

#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "channel/reply_envelope.h"
#include "json/value/jsonvalue.h"
#include "platform/code_page.h"
#include "platform/ole_string.h"
#include "tests/channel/worker_harness.h"

namespace {

using namespace std::string_literals;

// Text of count units: unit i is pattern[i mod pattern size].
std::u16string Repeat(std::u16string_view pattern, std::size_t count) {
  std::u16string text(count, u' ');
  for (std::size_t i = 0; i < count; ++i) text[i] = pattern[i % pattern.size()];
  return text;
}

class SendReplyTest : public ::testing::Test {
 protected:
  // "!long" answers as SIGNDETACHED with Long, "!next" as GETNEXTBLOCK in the
  // case given after it.
  void SetUp() override {
    Harness.OnCommand = [this](TTestWorker& worker, const std::string& command) {
      if (command == "long") {
        worker.SetMethodName("SIGNDETACHED");
        worker.SendReply(7, u"warn", Long);
      } else {
        worker.SetMethodName(command.substr(5));
        worker.SendReply(0, {}, u"ignored");
      }
    };
  }

  std::u16string Concatenated(const std::vector<TReply>& replies) {
    std::u16string all;
    for (const auto& r : replies) all += r.Data;
    return all;
  }

  TWorkerHarness Harness;
  std::u16string Long;
};

TEST_F(SendReplyTest, TheWorkedExchangeIsByteExact) {
  Harness.Run({R"({"metoda":"NATIVEVERSION","parametry":{},"tabID":3})"});
  EXPECT_EQ(
      Harness.Output.Bytes,
      "\x60\x00\x00\x00"s
      R"({"metoda":"NATIVEVERSION","result":{"data":"2","hasNextPart":0},"errNo":0,"tabID":3,"errMsg":""})");
}

TEST_F(SendReplyTest, EmptyTextsAreWrittenAsEmptyStringsAndNonAsciiIsEscaped) {
  Harness.OnCommand = [](TTestWorker& worker, const std::string&) {
    worker.SetMethodName("ABOUT");
    worker.SendReply(-1, u"chyba \u010d\t/\"", {});
  };
  const auto replies = Harness.Run({"!x"});
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(replies[0].Body,
            R"({"metoda":"ABOUT","result":{"data":"","hasNextPart":0},"errNo":-1,"tabID":0,)"
            R"("errMsg":"chyba \u010d\t\/\""})");
}

TEST_F(SendReplyTest, DataOfExactlyOneBlockGoesInOneReply) {
  Long = Repeat(u"abc", 450000);
  const auto replies = Harness.Run({"!long", "!next GETNEXTBLOCK"});
  ASSERT_EQ(replies.size(), 2u);
  EXPECT_EQ(replies[0].Data, Long);
  EXPECT_EQ(replies[0].HasNextPart, 0);
  EXPECT_EQ(replies[1].Data, u"");
  EXPECT_EQ(replies[1].HasNextPart, 0);
  EXPECT_EQ(replies[1].ErrNo, 0);
}

TEST_F(SendReplyTest, AsciiDataIsCutAtTheBlockLengthAndFetchedBlockByBlock) {
  for (const std::size_t length : {450001u, 1000000u}) {
    SCOPED_TRACE(length);
    Long = Repeat(u"ABCDEFGHIJKLMNOPQRSTUVWXYZ", length);
    TWorkerHarness harness;
    harness.OnCommand = Harness.OnCommand;
    const auto replies =
        harness.Run({"!long", "!next GETNEXTBLOCK", "!next getNextBlock", "!next GETNEXTBLOCK"});
    ASSERT_EQ(replies.size(), 4u);
    std::vector<std::size_t> sizes;
    std::vector<std::int64_t> more;
    for (const auto& r : replies) {
      sizes.push_back(r.Data.size());
      more.push_back(r.HasNextPart);
    }
    if (length == 450001) {
      EXPECT_EQ(sizes, (std::vector<std::size_t>{450000, 1, 0, 0}));
      EXPECT_EQ(more, (std::vector<std::int64_t>{1, 0, 0, 0}));
    } else {
      EXPECT_EQ(sizes, (std::vector<std::size_t>{450000, 450000, 100000, 0}));
      EXPECT_EQ(more, (std::vector<std::int64_t>{1, 1, 0, 0}));
    }
    // The first reply carries the operation's error, the blocks none; the
    // method is echoed as it was sent.
    EXPECT_EQ(replies[0].ErrNo, 7);
    EXPECT_EQ(replies[0].ErrMsg, u"warn");
    EXPECT_EQ(replies[1].ErrNo, 0);
    EXPECT_EQ(replies[1].ErrMsg, u"");
    EXPECT_EQ(replies[2].Method, u"getNextBlock");
    EXPECT_EQ(Concatenated(replies), Long);
  }
}

TEST_F(SendReplyTest, AnyOtherReplyDiscardsTheRest) {
  Long = Repeat(u"xyz", 1000000);
  const auto replies =
      Harness.Run({"!long", "!next GETNEXTBLOCK", "!next ABOUT", "!next GETNEXTBLOCK"});
  ASSERT_EQ(replies.size(), 4u);
  EXPECT_EQ(replies[1].HasNextPart, 1);
  EXPECT_EQ(replies[2].Data, u"ignored");
  EXPECT_EQ(replies[3].Data, u"");
  EXPECT_EQ(replies[3].HasNextPart, 0);

  // So does the answer to a message that is not a request.
  TWorkerHarness harness;
  harness.OnCommand = Harness.OnCommand;
  const auto afterJunk = harness.Run({"!long", "not json {", "!next GETNEXTBLOCK"});
  ASSERT_EQ(afterJunk.size(), 3u);
  EXPECT_EQ(afterJunk[1].ErrNo, -31909);
  EXPECT_EQ(afterJunk[2].Data, u"");
}

TEST_F(SendReplyTest, NonAsciiDataArrivesInFramesABrowserAccepts) {
  // Six escaped bytes per unit: a block of 450000 would be 2.7 MB.
  Long = Repeat(u"\u010d\u0159\u00e1\u20ac\xD83D\xDE00\u017e", 1000000);
  std::vector<std::string> requests{"!long"};
  for (int i = 0; i < 8; ++i) requests.push_back("!next GETNEXTBLOCK");
  const auto replies = Harness.Run(requests);

  std::size_t last = 0;
  while (last < replies.size() && replies[last].HasNextPart == 1) ++last;
  ASSERT_LT(last, replies.size()) << "more blocks than expected";
  for (std::size_t i = 0; i <= last; ++i) {
    SCOPED_TRACE(i);
    EXPECT_LE(replies[i].Body.size(), kMaxReplyBytes);
    // Each block is as large as the limit allows: another unit would not fit.
    if (i < last) {
      EXPECT_GT(replies[i].Body.size() + 6, kMaxReplyBytes);
    }
  }
  std::vector<TReply> blocks(replies.begin(), replies.begin() + static_cast<long>(last) + 1);
  EXPECT_EQ(Concatenated(blocks), Long);
}

TEST_F(SendReplyTest, ABlockMayEndBetweenTheHalvesOfASurrogatePair) {
  Long = Repeat(u"ab\xD83D\xDE00", 8);
  Harness.Setup.BlockLength = 3;
  Harness.OnCommand = [this](TTestWorker& worker, const std::string& command) {
    if (command == "long") {
      worker.SetMethodName("X");
      worker.SendReply(0, {}, Long);
    } else {
      worker.SetMethodName("GETNEXTBLOCK");
      worker.SendReply(0, {}, {});
    }
  };
  std::vector<std::string> requests(12, "!next");
  requests[0] = "!long";
  const auto replies = Harness.Run(requests);
  ASSERT_EQ(replies.size(), 12u);
  // "ab" and the high half, then the low half with "ab", and so on.
  EXPECT_NE(replies[0].Body.find(R"("data":"ab\ud83d")"), std::string::npos) << replies[0].Body;
  EXPECT_EQ(replies[0].Data, u"ab\xD83D");
  EXPECT_EQ(replies[1].Data,
            u"\xDE00"
            u"ab");
  EXPECT_EQ(replies[10].HasNextPart, 0);
  EXPECT_EQ(Concatenated({replies.begin(), replies.begin() + 11}), Long);
}

TEST_F(SendReplyTest, TheRestIsFreedWhenItsLastBlockIsHandedOut) {
  Long = Repeat(u"q", 1000000);
  Harness.OnCommand = [this](TTestWorker& worker, const std::string& command) {
    if (command == "long") {
      worker.SetMethodName("X");
      worker.SendReply(0, {}, std::move(Long));
      EXPECT_TRUE(worker.PendingLeft());
    } else {
      worker.SetMethodName("GETNEXTBLOCK");
      worker.SendReply(0, {}, {});
    }
  };
  Harness.Run({"!long", "!next", "!next"});
  EXPECT_FALSE(Harness.Worker->PendingLeft());
  EXPECT_EQ(Harness.Worker->PendingCapacity(), std::u16string().capacity());
}

// --- Reply bodies are written without building the block into the reply value;
// these tests hold them to the bytes that the value itself serialises to,
// and show a long result handed out from the library's own string.

// The reply built member by member and serialised whole: an oracle kept
// apart from the envelope on purpose, through the JSON value's own writer.
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
  return platform::WideToThreadAnsi(reply->ToJsonText(false, true));
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
      harness.Setup.BlockLength = 7;
      harness.OnCommand = [&](TTestWorker& worker, const std::string& command) {
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

// --- A reply echoes the method name it was asked for and the error text it was
// handed. Huge ones are cut so that the reply still fits what a browser
// accepts; the reply and the data behind it are otherwise whole.

TEST(ReplyEchoLimit, AHugeMethodNameIsCutInAReplyThatFits) {
  const std::string name(2 * 1024 * 1024, 'Q');
  TWorkerHarness harness;
  const auto replies = harness.Run({R"({"metoda":")" + name + R"(","parametry":{},"tabID":4})",
                                    R"({"metoda":"NATIVEVERSION","parametry":{},"tabID":5})"});
  ASSERT_EQ(replies.size(), 2u);
  EXPECT_LE(replies[0].Body.size(), kMaxReplyBytes);
  EXPECT_EQ(replies[0].ErrNo, -31901);
  EXPECT_EQ(replies[0].ErrMsg, u"Unknown method name");
  EXPECT_EQ(replies[0].TabID, 4);
  ASSERT_FALSE(replies[0].Method.empty());
  EXPECT_EQ(replies[0].Method, std::u16string(replies[0].Method.size(), u'Q'));
  EXPECT_EQ(replies[1].Data, u"2");
}

TEST(ReplyEchoLimit, AHugeErrorTextIsCutAndTheDataStillArrivesWhole) {
  const std::u16string error(600 * 1024, u'\u010d');  // six bytes each once escaped
  const std::u16string data(300000, u'd');
  TWorkerHarness harness;
  harness.OnCommand = [&](TTestWorker& worker, const std::string& command) {
    worker.SetMethodName(command);
    if (command == "SIGNDETACHED")
      worker.SendReply(5, error, data);
    else
      worker.SendReply(0, {}, {});
  };
  const auto replies = harness.Run({"!SIGNDETACHED", "!GETNEXTBLOCK", "!GETNEXTBLOCK"});
  ASSERT_EQ(replies.size(), 3u);
  for (const auto& reply : replies) EXPECT_LE(reply.Body.size(), kMaxReplyBytes);
  EXPECT_EQ(replies[0].ErrNo, 5);
  ASSERT_FALSE(replies[0].ErrMsg.empty());
  EXPECT_EQ(replies[0].ErrMsg, error.substr(0, replies[0].ErrMsg.size()));
  std::u16string all;
  for (const auto& reply : replies) all += reply.Data;
  EXPECT_EQ(all, data);
  EXPECT_EQ(replies.back().HasNextPart, 0);
}

}  // namespace
