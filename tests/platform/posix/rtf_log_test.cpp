#include "platform/rtf_log.h"

#include "platform/posix/headless_controls.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// The document's groups must close exactly: an unescaped brace from a log line would cut the
// document short in any reader.
int BraceBalance(const std::string& rtf) {
  int depth = 0;
  for (std::size_t i = 0; i < rtf.size(); ++i) {
    if (rtf[i] == '\\') {
      ++i;
    } else if (rtf[i] == '{') {
      ++depth;
    } else if (rtf[i] == '}') {
      if (--depth == 0 && i + 2 < rtf.size()) return -1;  // closed before the end
    }
  }
  return depth;
}

TEST(RtfLogDocumentTest, IsOneCentralEuropeanDocumentWithAParagraphPerLine) {
  const std::vector<std::string> lines = {"WindowEnum Start", "WindowEnum end: 0"};
  const std::string rtf = platform::RtfLogDocument(lines);
  EXPECT_EQ(rtf.rfind("{\\rtf1\\ansi\\ansicpg1250", 0), 0u);
  EXPECT_NE(rtf.find("WindowEnum Start\\par\nWindowEnum end: 0\\par\n}"), std::string::npos);
  EXPECT_EQ(BraceBalance(rtf), 0);

  const std::string empty = platform::RtfLogDocument({});
  EXPECT_EQ(BraceBalance(empty), 0);
  EXPECT_EQ(empty.find("\\par\n"), std::string::npos);
}

TEST(RtfLogDocumentTest, EscapesControlWordsAndWritesCodePageBytesAsHex) {
  const std::vector<std::string> lines = {
      std::string(platform::kLogReceived) + "{\"metoda\":\"a\\\\b\"}",
      std::string(platform::kLogSending), std::string(platform::kLogSent), "tab\there\r\nnext\x01"};
  const std::string rtf = platform::RtfLogDocument(lines);
  EXPECT_NE(rtf.find("P\\'f8ijato z Chrome: \\{\"metoda\":\"a\\\\\\\\b\"\\}\\par\n"),
            std::string::npos);
  EXPECT_NE(rtf.find("Bude se odes\\'edlat do Chrome: \\par\n"), std::string::npos);
  EXPECT_NE(rtf.find("V po\\'f8\\'e1dku odesl\\'e1no do Chrome.\\par\n"), std::string::npos);
  EXPECT_NE(rtf.find("tab\\tab here\\par\nnext\\'01\\par\n"), std::string::npos);
  EXPECT_EQ(BraceBalance(rtf), 0);
  for (char c : rtf) EXPECT_LT(static_cast<unsigned char>(c), 0x80);
}

class SaveRtfLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/ferolant-rtf-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder = pattern;
    target = (folder / "Ferolant.log").string();
  }
  void TearDown() override { fs::remove_all(folder); }

  fs::path folder;
  std::string target;
  std::vector<std::string> lines = {std::string(platform::kLogSent)};
};

TEST_F(SaveRtfLogTest, ReplacesTheWholeFileAndKeepsItPrivate) {
  std::ofstream(target) << std::string(10000, 'x');
  fs::permissions(target, fs::perms(0644));

  EXPECT_EQ(platform::SaveRtfLog(target, lines), "");
  EXPECT_EQ(ReadFile(target), platform::RtfLogDocument(lines));
  struct stat info {};
  ASSERT_EQ(stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);

  lines.push_back("second");
  EXPECT_EQ(platform::SaveRtfLog(target, lines), "");
  EXPECT_EQ(ReadFile(target), platform::RtfLogDocument(lines));
}

TEST_F(SaveRtfLogTest, RefusesAPlantedLink) {
  const fs::path victim = folder / "victim";
  std::ofstream(victim) << "keep";
  fs::create_symlink(victim, target);

  const std::string error = platform::SaveRtfLog(target, lines);
  EXPECT_EQ(error.rfind("Cannot create file \"" + target + "\". ", 0), 0u) << error;
  EXPECT_EQ(ReadFile(victim), "keep");
}

TEST_F(SaveRtfLogTest, RefusesWhatIsNotARegularFileWithoutBlocking) {
  ASSERT_EQ(mkfifo(target.c_str(), 0600), 0);
  // Without a reader the open itself fails; with one, the type check refuses it.
  EXPECT_EQ(platform::SaveRtfLog(target, lines).rfind("Cannot create file \"" + target, 0), 0u);

  fs::remove(target);
  fs::create_directory(target);
  EXPECT_EQ(platform::SaveRtfLog(target, lines).rfind("Cannot create file", 0), 0u);
}

TEST_F(SaveRtfLogTest, MissingFolderGivesTheSystemReason) {
  const std::string inMissing = (folder / "missing" / "Ferolant.log").string();
  EXPECT_EQ(platform::SaveRtfLog(inMissing, lines),
            "Cannot create file \"" + inMissing + "\". No such file or directory");
}

TEST_F(SaveRtfLogTest, LogControlSavesItsLinesOrRaisesTheReason) {
  platform::TMemoryLogControl memo{platform::TLogControlDesign{}};
  memo.AppendLine(std::string(platform::kLogReceived) + "{}");
  memo.AppendLine("WindowEnum Start");
  memo.SaveToFile(target);
  EXPECT_EQ(ReadFile(target), platform::RtfLogDocument(memo.Lines()));

  const std::string inMissing = (folder / "missing" / "Ferolant.log").string();
  try {
    memo.SaveToFile(inMissing);
    ADD_FAILURE() << "saved into a missing folder";
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(std::string(error.what()),
              "Cannot create file \"" + inMissing + "\". No such file or directory");
  }
}

}  // namespace
