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

struct Outcome {
  int code;
  std::string out;
  std::string err;
};

class RegistrationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Each test its own host name and folder: tests run side by side in one registry.
    const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    name_ = "ferolant.test_";
    for (char c : test) name_ += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char* folder : kKeyFolders) keys_.push_back(folder + name_);
    folder_ = fs::temp_directory_path() / ("ferolant-register-" + test);
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    fs::copy_file(PathFromUtf8(FEROLANT_EXECUTABLE), folder_ / "ferolant.exe");
    fs::copy_file(PathFromUtf8(FEROLANT_STANDIN), folder_ / "Tavrin.dll");
    host_ = Utf8FromPath(folder_ / "ferolant.exe");
  }
  void TearDown() override {
    for (const std::string& key : keys_) {
      DeleteKey(Hive::kCurrentUser, key);
      DeleteKey(Hive::kLocalMachine, key);
    }
    fs::remove_all(folder_);
  }

  Outcome Run(std::vector<std::string> args) const {
    // A case's own --name comes later and wins.
    args.insert(args.begin(), {"--name", name_});
    std::ostringstream out, err;
    const int code = RunRegister(args, host_, out, err);
    return {code, out.str(), err.str()};
  }

  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_)) {
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

  std::string name_;
  std::vector<std::string> keys_;  // the five browsers' keys for name_
  fs::path folder_;
  std::string host_;
};

TEST_F(RegistrationTest, InstallsChecksAndRemovesInEitherHive) {
  struct Case {
    Hive hive;
    std::vector<std::string> flags;
  };
  for (const Case& c : {Case{Hive::kCurrentUser, {}}, Case{Hive::kLocalMachine, {"--system"}}}) {
    SCOPED_TRACE(HiveName(c.hive));
    auto with = [&](std::vector<std::string> args) {
      args.insert(args.end(), c.flags.begin(), c.flags.end());
      return Run(args);
    };
    const Outcome installed = with({"install"});
    ASSERT_EQ(installed.code, 0) << installed.err;
    const std::string chromium_family = Utf8FromPath(folder_ / (name_ + ".json"));
    const std::string firefox = Utf8FromPath(folder_ / (name_ + ".firefox.json"));
    for (const std::string& key : keys_) {
      const KeyDefault found = ReadKeyDefault(c.hive, key);
      ASSERT_TRUE(found.exists) << key;
      EXPECT_EQ(found.value,
                std::string(key).starts_with("Software\\Mozilla") ? firefox : chromium_family);
    }

    const Outcome checked = with({"check"});
    EXPECT_EQ(checked.code, 0) << checked.out;
    EXPECT_EQ(Count(checked.out, "answers NATIVEVERSION with '2'"), 5u) << checked.out;

    // Chrome goes, the other three Chromium-family browsers keep the file they share.
    EXPECT_EQ(with({"remove", "--browser", "chrome"}).code, 0);
    EXPECT_FALSE(ReadKeyDefault(c.hive, keys_[0]).exists);
    const Outcome rest = with({"check", "--browser", "edge"});
    EXPECT_EQ(rest.code, 0) << rest.out;

    EXPECT_EQ(with({"remove"}).code, 0);
    for (const std::string& key : keys_) EXPECT_FALSE(ReadKeyDefault(c.hive, key).exists) << key;
    EXPECT_EQ(Files(), (std::vector<std::string>{"Tavrin.dll", "ferolant.exe"}));
    const Outcome gone = with({"check"});
    EXPECT_EQ(gone.code, 1);
    EXPECT_NE(gone.out.find("no registration for '" + name_ + "' found"), std::string::npos);
  }
}

TEST_F(RegistrationTest, CheckNamesWhatIsBroken) {
  const std::string missing_host = Utf8FromPath(folder_ / "gone.exe");
  const std::string wrong_name =
      R"({"name":"other.host","type":"stdio","path":"ferolant.exe","allowed_origins":["chrome-extension://abcdefghijklmnopabcdefghijklmnop/"]})";
  const std::string relative_gone =
      R"({"name":")" + name_ +
      R"(","type":"stdio","path":"gone.exe","allowed_origins":["chrome-extension://abcdefghijklmnopabcdefghijklmnop/"]})";
  const std::string relative_good =
      R"({"name":")" + name_ +
      R"(","type":"stdio","path":"ferolant.exe","allowed_origins":["chrome-extension://abcdefghijklmnopabcdefghijklmnop/"]})";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", "which does not exist"},  // the key names a file that is not there
      {"{not json", "does not parse as JSON"},
      {wrong_name, "\"name\" is 'other.host', but the file is for '" + name_ + "'"},
      {relative_gone, missing_host + " does not exist"},
      {relative_good, "OK"},
  };
  const fs::path file = folder_ / "m.json";
  for (const auto& [manifest, reason] : cases) {
    SCOPED_TRACE(manifest);
    fs::remove(file);
    if (!manifest.empty()) std::ofstream(file, std::ios::binary) << manifest;
    WriteKeyDefault(Hive::kCurrentUser, keys_[1], Utf8FromPath(file));
    const Outcome checked = Run({"check", "--browser", "chromium"});
    EXPECT_EQ(checked.code, reason == std::string("OK") ? 0 : 1) << checked.out;
    EXPECT_NE(checked.out.find(reason), std::string::npos) << checked.out;
  }
}

TEST_F(RegistrationTest, RefusesBadUsageBeforeWritingAnything) {
  const std::vector<std::vector<std::string>> cases = {
      {"install", "--browser", "opera"},
      {"install", "--path", "bin\\ferolant.exe"},
      {"install", "--path", Utf8FromPath(folder_ / "none.exe")},
      {"install", "--extension-id", "ABCDEFGHIJKLMNOPABCDEFGHIJKLMNOP"},
      {"install", "--firefox-id", "no at sign"},
      {"install", "--user-data-dir", Utf8FromPath(folder_)},
      {"install", "--folder", Utf8FromPath(folder_)},
      {"install", "--browser", "firefox-snap"},
      {"install", "--name", "Ferolant.Host"},
      {"frobnicate"},
  };
  for (const auto& args : cases) {
    SCOPED_TRACE(args.back());
    const Outcome refused = Run(args);
    EXPECT_EQ(refused.code, 2);
    EXPECT_TRUE(refused.err.starts_with("ferolant-register: ")) << refused.err;
    for (const std::string& key : keys_) {
      EXPECT_FALSE(ReadKeyDefault(Hive::kCurrentUser, key).exists);
    }
    EXPECT_EQ(Files(), (std::vector<std::string>{"Tavrin.dll", "ferolant.exe"}));
  }
}

}  // namespace
}  // namespace ferolant::reg
