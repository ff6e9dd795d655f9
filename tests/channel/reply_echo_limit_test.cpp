// A reply echoes the method name it was asked for and the error text it was
// handed. Huge ones are cut so that the reply still fits what a browser
// accepts; the reply and the data behind it are otherwise whole.
#include <gtest/gtest.h>

#include <string>

#include "channel/reply_block.h"
#include "worker_harness.h"

namespace {

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
