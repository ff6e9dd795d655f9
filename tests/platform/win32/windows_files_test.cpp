// What the host does with files on Windows: the size lookup of GETFILESIZE and the traffic
// log saved as Rich Text by the log window's own control.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/application.h"
#include "platform/file_info.h"
#include "platform/rtf_log.h"

namespace {

namespace fs = std::filesystem;

class WindowsFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir = fs::temp_directory_path() / ("ferolant-win-" + std::to_string(std::random_device{}()));
    fs::create_directories(Dir);
  }
  void TearDown() override { fs::remove_all(Dir); }
  std::string Name(const char* leaf) const { return (Dir / leaf).string(); }
  static std::string Read(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
  }

  fs::path Dir;
};

TEST_F(WindowsFilesTest, OnlyAnExistingPlainFileHasASize) {
  std::ofstream(Dir / "a.txt", std::ios::binary) << "12345";
  EXPECT_TRUE(platform::FileExists(Name("a.txt")));
  EXPECT_EQ(platform::FindFileSize(Name("a.txt")), 5u);

  EXPECT_FALSE(platform::FileExists(Dir.string()));
  EXPECT_FALSE(platform::FileExists(Name("missing.txt")));
  EXPECT_FALSE(platform::FindFileSize(Name("missing.txt")).has_value());
  // A pattern would report whichever file matched it first.
  EXPECT_FALSE(platform::FileExists(Name("?.txt")));
  EXPECT_FALSE(platform::FindFileSize(Name("*.txt")).has_value());
  EXPECT_FALSE(platform::FileExists(Name("a.txt") + std::string("\0x", 2)));
}

TEST_F(WindowsFilesTest, TheLogIsSavedWholeAsRichTextEachTime) {
  auto app = platform::CreateApplication();
  app->Initialize();
  auto form = app->CreateForm({});
  platform::TLogControlDesign design;
  design.Bounds = {8, 24, 581, 317};
  auto log = form->CreateLogControl(design);
  const std::string file = Name("Ferolant.log");

  log->AppendLine(std::string(platform::kLogSent));
  log->SaveToFile(file);
  const std::string first = Read(file);
  EXPECT_EQ(first.rfind("{\\rtf", 0), 0u) << first;
  EXPECT_NE(first.find("Chrome."), std::string::npos);

  log->AppendLine("WindowEnum end: 0");
  log->SaveToFile(file);
  const std::string second = Read(file);
  EXPECT_NE(second.find("Chrome."), std::string::npos);
  EXPECT_NE(second.find("WindowEnum end: 0"), std::string::npos);
  EXPECT_EQ(log->Lines().size(), 2u);
}

TEST_F(WindowsFilesTest, AFolderThatIsMissingNamesTheFileAndTheReason) {
  auto app = platform::CreateApplication();
  app->Initialize();
  auto form = app->CreateForm({});
  auto log = form->CreateLogControl({});
  log->AppendLine("line");
  const std::string file = Name("missing\\Ferolant.log");
  try {
    log->SaveToFile(file);
    ADD_FAILURE() << "saved into a missing folder";
  } catch (const std::runtime_error& error) {
    const std::string text = error.what();
    EXPECT_EQ(text.rfind("Cannot create file \"" + file + "\". ", 0), 0u) << text;
    EXPECT_GT(text.size(), file.size() + 22);
  }
  EXPECT_EQ(log->Lines(), std::vector<std::string>{"line"});

  const std::string error = platform::SaveRtfLog(file, log->Lines());
  EXPECT_EQ(error.rfind("Cannot create file \"" + file + "\". ", 0), 0u) << error;
}

TEST(WindowsLogFile, LivesInTheFixedFolder) {
  EXPECT_EQ(platform::LogFileName(), "c:\\tmp\\Ferolant.log");
}

}  // namespace
