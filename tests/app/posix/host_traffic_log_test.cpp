// The host built with its traffic log: three lines for every answered
// request, the whole log saved as Rich Text after each, and no reply lost
// when the log cannot be saved.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/child_process.h"
#include "tests/support/memory_streams.h"

namespace {

const std::string kLoggingHost = FEROLANT_LOGGING_EXECUTABLE;

std::string Request(int tab) {
  return R"({"metoda":"NATIVEVERSION","parametry":{},"tabID":)" + std::to_string(tab) + "}";
}

std::string Slurp(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class HostTrafficLog : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir = std::filesystem::temp_directory_path() /
          ("ferolant-log-" + std::to_string(::getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(Dir);
  }
  void TearDown() override { std::filesystem::remove_all(Dir); }

  // Runs the logging host with its log at file over count requests; each
  // reply is checked as it comes, then onReply is called.
  void Exchange(const std::filesystem::path& file, int count,
                const std::function<void(int)>& onReply) {
    ::setenv("FEROLANT_TEST_LOG_FILE", file.c_str(), 1);
    TChildProcess host(kLoggingHost);
    ::unsetenv("FEROLANT_TEST_LOG_FILE");
    for (int i = 0; i < count; ++i) {
      ASSERT_TRUE(host.Write(Frame(Request(i))));
      const auto reply = host.ReadFrame();
      ASSERT_TRUE(reply.has_value()) << "request " << i << " got no reply";
      EXPECT_NE(reply->find("\"tabID\":" + std::to_string(i) + ","), std::string::npos);
      onReply(i);
    }
    host.CloseInput();
    const auto status = host.WaitForExit();
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(status->Code, 0);
  }

  std::filesystem::path Dir;
};

TEST_F(HostTrafficLog, EachRequestAddsThreeLinesAndTheFileHoldsTheWholeLogAsRtf) {
  const auto file = Dir / "Ferolant.log";
  // The file is rewritten after every line, so it is read only once the host has ended.
  Exchange(file, 3, [](int) {});
  // After the end: three lines per request, in order, and a closed document.
  const std::string log = Slurp(file);
  EXPECT_EQ(Count(log, "P\\'f8ijato z Chrome: "), 3u);
  EXPECT_EQ(Count(log, "Bude se odes\\'edlat do Chrome: "), 3u);
  EXPECT_EQ(Count(log, "V po\\'f8\\'e1dku odesl\\'e1no do Chrome."), 3u);
  EXPECT_LT(log.find("P\\'f8ijato"), log.find("Bude se"));
  EXPECT_LT(log.find("Bude se"), log.find("V po\\'f8"));
  EXPECT_LT(log.find("V po\\'f8"), log.rfind("P\\'f8ijato"));
  EXPECT_EQ(log.rfind("{\\rtf1", 0), 0u);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log[log.find_last_not_of("\r\n")], '}');
}

TEST_F(HostTrafficLog, ALogFolderThatCannotBeWrittenStillGetsEveryReply) {
  Exchange(Dir / "no-such-folder" / "Ferolant.log", 5, [](int) {});
  EXPECT_FALSE(std::filesystem::exists(Dir / "no-such-folder"));
}

}  // namespace
