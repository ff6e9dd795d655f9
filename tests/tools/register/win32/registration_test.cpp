// ferolant-register on Windows: a host copied to a scratch folder is registered, checked and
// removed again, and bad usage leaves no key and no file behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tools/client/options.h"
#include "tools/register/register.h"
#include "tools/register/registry.h"
#include "tools/register/utf8_path.h"

namespace ferolant::reg {
namespace {

namespace fs = std::filesystem;

const char* const kKeyFolders[] = {
    "Software\\Google\\Chrome\\NativeMessagingHosts\\",
    "Software\\Chromium\\NativeMessagingHosts\\",
    "Software\\Microsoft\\Edge\\NativeMessagingHosts\\",
    "Software\\BraveSoftware\\Brave-Browser\\NativeMessagingHosts\\",
    "Software\\Mozilla\\NativeMessagingHosts\\",
};

struct TOutcome {
  int Code;
  std::string Out;
  std::string Err;
};

class RegistrationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Each test its own host name and folder: tests run side by side in one registry.
    const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    FName = "ferolant.test_";
    for (char c : test) FName += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char* folder : kKeyFolders) FKeys.push_back(folder + FName);
    FFolder = fs::temp_directory_path() / ("ferolant-register-" + test);
    fs::remove_all(FFolder);
    fs::create_directories(FFolder);
    fs::copy_file(PathFromUtf8(FEROLANT_EXECUTABLE), FFolder / "ferolant.exe");
    fs::copy_file(PathFromUtf8(FEROLANT_STANDIN), FFolder / "Tavrin.dll");
    FHost = Utf8FromPath(FFolder / "ferolant.exe");
  }
  void TearDown() override {
    for (const std::string& key : FKeys) {
      DeleteKey(THive::CurrentUser, key);
      DeleteKey(THive::LocalMachine, key);
    }
    fs::remove_all(FFolder);
  }

  TOutcome Run(std::vector<std::string> args) const {
    // A case's own --name comes later and wins.
    args.insert(args.begin(), {"--name", FName});
    std::ostringstream out, err;
    const int code = RunRegister(args, FHost, out, err);
    return {code, out.str(), err.str()};
  }

  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(FFolder)) {
      names.push_back(Utf8FromPath(entry.path().filename()));
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  static std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
  }

  std::string FName;
  std::vector<std::string> FKeys;  // the five browsers' keys for FName
  fs::path FFolder;
  std::string FHost;
};

TEST_F(RegistrationTest, InstallsChecksAndRemovesInEitherHive) {
  struct TCase {
    THive Hive;
    std::vector<std::string> Flags;
  };
  for (const TCase& c : {TCase{THive::CurrentUser, {}}, TCase{THive::LocalMachine, {"--system"}}}) {
    SCOPED_TRACE(HiveName(c.Hive));
    auto with = [&](std::vector<std::string> args) {
      args.insert(args.end(), c.Flags.begin(), c.Flags.end());
      return Run(args);
    };
    const TOutcome installed = with({"install"});
    ASSERT_EQ(installed.Code, 0) << installed.Err;
    const std::string chromiumFamily = Utf8FromPath(FFolder / (FName + ".json"));
    const std::string firefox = Utf8FromPath(FFolder / (FName + ".firefox.json"));
    for (const std::string& key : FKeys) {
      const TKeyDefault found = ReadKeyDefault(c.Hive, key);
      ASSERT_TRUE(found.Exists) << key;
      EXPECT_EQ(found.Value,
                std::string(key).starts_with("Software\\Mozilla") ? firefox : chromiumFamily);
    }

    const TOutcome checked = with({"check"});
    EXPECT_EQ(checked.Code, 0) << checked.Out;
    EXPECT_EQ(Count(checked.Out, "answers NATIVEVERSION with '2'"), 5u) << checked.Out;

    // Chrome goes, the other three Chromium-family browsers keep the file they share.
    EXPECT_EQ(with({"remove", "--browser", "chrome"}).Code, 0);
    EXPECT_FALSE(ReadKeyDefault(c.Hive, FKeys[0]).Exists);
    const TOutcome rest = with({"check", "--browser", "edge"});
    EXPECT_EQ(rest.Code, 0) << rest.Out;

    EXPECT_EQ(with({"remove"}).Code, 0);
    for (const std::string& key : FKeys) EXPECT_FALSE(ReadKeyDefault(c.Hive, key).Exists) << key;
    EXPECT_EQ(Files(), (std::vector<std::string>{"Tavrin.dll", "ferolant.exe"}));
    const TOutcome gone = with({"check"});
    EXPECT_EQ(gone.Code, 1);
    EXPECT_NE(gone.Out.find("no registration for '" + FName + "' found"), std::string::npos);
  }
}

TEST_F(RegistrationTest, CheckNamesWhatIsBroken) {
  const std::string missingHost = Utf8FromPath(FFolder / "gone.exe");
  const std::string wrongName =
      R"({"name":"other.host","type":"stdio","path":"ferolant.exe","allowed_origins":["chrome-extension://abcdefghijklmnopabcdefghijklmnop/"]})";
  const std::string relativeGone =
      R"({"name":")" + FName +
      R"(","type":"stdio","path":"gone.exe","allowed_origins":["chrome-extension://abcdefghijklmnopabcdefghijklmnop/"]})";
  const std::string relativeGood =
      R"({"name":")" + FName +
      R"(","type":"stdio","path":"ferolant.exe","allowed_origins":["chrome-extension://abcdefghijklmnopabcdefghijklmnop/"]})";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", "which does not exist"},  // the key names a file that is not there
      {"{not json", "does not parse as JSON"},
      {wrongName, "\"name\" is 'other.host', but the file is for '" + FName + "'"},
      {relativeGone, missingHost + " does not exist"},
      {relativeGood, "OK"},
  };
  const fs::path file = FFolder / "m.json";
  for (const auto& [manifest, reason] : cases) {
    SCOPED_TRACE(manifest);
    fs::remove(file);
    if (!manifest.empty()) std::ofstream(file, std::ios::binary) << manifest;
    WriteKeyDefault(THive::CurrentUser, FKeys[1], Utf8FromPath(file));
    const TOutcome checked = Run({"check", "--browser", "chromium"});
    EXPECT_EQ(checked.Code, reason == std::string("OK") ? 0 : 1) << checked.Out;
    EXPECT_NE(checked.Out.find(reason), std::string::npos) << checked.Out;
  }
}

TEST_F(RegistrationTest, RefusesBadUsageBeforeWritingAnything) {
  const std::vector<std::vector<std::string>> cases = {
      {"install", "--browser", "opera"},
      {"install", "--path", "bin\\ferolant.exe"},
      {"install", "--path", Utf8FromPath(FFolder / "none.exe")},
      {"install", "--extension-id", "ABCDEFGHIJKLMNOPABCDEFGHIJKLMNOP"},
      {"install", "--firefox-id", "no at sign"},
      {"install", "--user-data-dir", Utf8FromPath(FFolder)},
      {"install", "--folder", Utf8FromPath(FFolder)},
      {"install", "--browser", "firefox-snap"},
      {"install", "--name", "Ferolant.Host"},
      {"frobnicate"},
  };
  for (const auto& args : cases) {
    SCOPED_TRACE(args.back());
    const TOutcome refused = Run(args);
    EXPECT_EQ(refused.Code, 2);
    EXPECT_TRUE(refused.Err.starts_with("ferolant-register: ")) << refused.Err;
    for (const std::string& key : FKeys) {
      EXPECT_FALSE(ReadKeyDefault(THive::CurrentUser, key).Exists);
    }
    EXPECT_EQ(Files(), (std::vector<std::string>{"Tavrin.dll", "ferolant.exe"}));
  }
}

}  // namespace
}  // namespace ferolant::reg
