// Replies as the extension receives them: the exact envelope, and long data
// handed out in blocks that each stay within what a browser accepts.
#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "channel/reply_block.h"
#include "worker_harness.h"

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
  Harness.OnCommand = [this](TTestWorker& worker, const std::string& command) {
    worker.SetBlockLength(3);
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

TEST(ReplyBlock, CountsEscapedBytesExactly) {
  EXPECT_EQ(EscapedSize(u'a'), 1u);
  EXPECT_EQ(EscapedSize(u'\x7F'), 1u);
  EXPECT_EQ(EscapedSize(u'/'), 2u);
  EXPECT_EQ(EscapedSize(u'\n'), 2u);
  EXPECT_EQ(EscapedSize(u'\x01'), 6u);
  EXPECT_EQ(EscapedSize(u'\u00e1'), 6u);
  // ASCII fills the budget unit by unit; a unit that would overflow it stays out.
  EXPECT_EQ(BlockUnits(u"abcdef", 10, 4), 4u);
  EXPECT_EQ(BlockUnits(u"a\u010db", 10, 6), 1u);
  EXPECT_EQ(BlockUnits(u"a\u010db", 10, 7), 2u);
  EXPECT_EQ(BlockUnits(u"abc", 2, 100), 2u);
  EXPECT_EQ(BlockUnits(u"", 10, 100), 0u);
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

}  // namespace
