#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/application.h"

namespace {

class LogControlTest : public ::testing::Test {
 protected:
  LogControlTest() : App(platform::CreateApplication()), Form(App->CreateForm({})) {
    Log = Form->CreateLogControl({});
  }
  std::unique_ptr<platform::IApplication> App;
  std::unique_ptr<platform::IFormWindow> Form;
  std::unique_ptr<platform::ILogControl> Log;
};

TEST_F(LogControlTest, LinesGrowInOrder) {
  Log->AppendLine("WindowEnum Start");
  Log->AppendLine("P\xF8ijato z Chrome: {}");
  EXPECT_EQ(Log->Lines(),
            (std::vector<std::string>{"WindowEnum Start", "P\xF8ijato z Chrome: {}"}));
}

TEST_F(LogControlTest, SavingWritesTheWholeLogAsRichText) {
  char folder[] = "/tmp/ferolant-log-XXXXXX";
  ASSERT_NE(::mkdtemp(folder), nullptr);
  const std::string file = std::string(folder) + "/Ferolant.log";
  Log->AppendLine("first");
  Log->SaveToFile(file);
  Log->AppendLine("second");
  Log->SaveToFile(file);

  std::stringstream content;
  content << std::ifstream(file).rdbuf();
  EXPECT_EQ(content.str().rfind("{\\rtf1", 0), 0u);
  EXPECT_NE(content.str().find("first"), std::string::npos);
  EXPECT_NE(content.str().find("second"), std::string::npos);
  ::unlink(file.c_str());
  ::rmdir(folder);
}

TEST_F(LogControlTest, AFileThatCannotBeCreatedIsAnErrorAndTheLinesStay) {
  Log->AppendLine("kept");
  try {
    Log->SaveToFile("/nonexistent-ferolant-folder/Ferolant.log");
    FAIL() << "no error";
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(std::string(error.what())
                  .rfind("Cannot create file \"/nonexistent-ferolant-folder/Ferolant.log\". ", 0),
              0u)
        << error.what();
  }
  EXPECT_EQ(Log->Lines(), std::vector<std::string>{"kept"});
}

}  // namespace
