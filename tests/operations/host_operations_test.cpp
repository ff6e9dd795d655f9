// The operations the host answers itself, GETFILESIZE above all: what counts
// as a file name, what as a file, and which size is reported.
#include "operations/host_operations.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "operations/WStrList.h"
#include "operations/code_page_text.h"
#include "platform/code_page.h"

namespace {

struct TReply {
  std::int32_t ErrNo;
  std::u16string ErrMsg;
  std::u16string Data;
};

class TRecordingHost final : public IOperationHost {
 public:
  const TWideStrings& Params() const override { return Items; }
  void SendReply(std::int32_t errNo, std::u16string errMsg, std::u16string data) override {
    Events.push_back("SendReply");
    Replies.push_back({errNo, std::move(errMsg), std::move(data)});
  }
  void SyncFixWind() override { Events.push_back("SyncFixWind"); }

  TWideStrings Items;
  std::vector<std::string> Events;
  std::vector<TReply> Replies;
};

// The name as the extension sends it: the file's own name as wide text.
std::u16string Wide(const std::filesystem::path& path) { return path.u16string(); }

class GetFileSizeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DefaultCodePage = platform::GetAnsiCodePage();
    Dir = std::filesystem::temp_directory_path() /
          ("ferolant-filesize-" + std::to_string(std::random_device{}()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(Dir);
  }
  void TearDown() override { std::filesystem::remove_all(Dir); }

  TReply Ask(std::vector<std::u16string> params) {
    TRecordingHost host;
    for (auto& p : params) host.Items.AddItem(std::move(p));
    operations::DoGetFileSize(host);
    EXPECT_EQ(host.Events, (std::vector<std::string>{"SyncFixWind", "SendReply"}));
    return host.Replies.at(0);
  }

  std::filesystem::path Dir;
};

TEST_F(GetFileSizeTest, NoNameIsFileNotPassed) {
  for (const auto& params :
       std::vector<std::vector<std::u16string>>{{}, {u""}, {u"   "}, {u"\t\r\n \x01"}}) {
    const TReply reply = Ask(params);
    EXPECT_EQ(reply.ErrNo, 5101);
    EXPECT_EQ(reply.ErrMsg, u"File not passed");
    EXPECT_EQ(reply.Data, u"");
  }
}

TEST_F(GetFileSizeTest, AMissingFileOrADirectoryIsFileNotFound) {
  for (const auto& name : {Dir / "missing.txt", Dir}) {
    const TReply reply = Ask({Wide(name)});
    EXPECT_EQ(reply.ErrNo, 5102);
    EXPECT_EQ(reply.ErrMsg, u"File not found");
    EXPECT_EQ(reply.Data, u"");
  }
}

TEST_F(GetFileSizeTest, AnEmptyFileHasSizeZero) {
  const auto file = Dir / "empty";
  std::ofstream(file).close();
  const TReply reply = Ask({Wide(file)});
  EXPECT_EQ(reply.ErrNo, 0);
  EXPECT_EQ(reply.ErrMsg, u"");
  EXPECT_EQ(reply.Data, u"0");
}

TEST_F(GetFileSizeTest, TheFull64BitSizeOfANameBetweenBlanksWithNonAsciiCharacters) {
  const auto file = Dir / std::u16string(u"p\u0159\u00edloha.bin");
  std::ofstream(file).close();
  // A sparse file where the file system allows: 4 GiB and 5 bytes.
  std::error_code error;
  std::filesystem::resize_file(file, (std::uintmax_t{1} << 32) + 5, error);
  const bool sized = !error;
  if (!sized) GTEST_SKIP() << "the file system does not take files over 4 GiB";
  const TReply reply = Ask({u"  " + Wide(file) + u" \t", u"ignored"});
  EXPECT_EQ(reply.ErrNo, 0);
  EXPECT_EQ(reply.Data, u"4294967301");
}

TEST(HostOperations, NativeVersionWatchesForADialogAndAnswersTwo) {
  TRecordingHost host;
  operations::DoNativeVersion(host);
  EXPECT_EQ(host.Events, (std::vector<std::string>{"SyncFixWind", "SendReply"}));
  EXPECT_EQ(host.Replies.at(0).Data, u"2");
  EXPECT_EQ(host.Replies.at(0).ErrNo, 0);
}

TEST(HostOperations, UnknownMethodAndNextBlockNeedNoDialog) {
  TRecordingHost host;
  operations::DoUnknownMethod(host);
  operations::DoGetNextBlock(host);
  EXPECT_EQ(host.Events, (std::vector<std::string>{"SendReply", "SendReply"}));
  EXPECT_EQ(host.Replies.at(0).ErrNo, -31901);
  EXPECT_EQ(host.Replies.at(0).ErrMsg, u"Unknown method name");
  EXPECT_EQ(host.Replies.at(1).ErrNo, 0);
  EXPECT_EQ(host.Replies.at(1).Data, u"");
}

}  // namespace
