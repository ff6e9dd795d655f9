// The built host answering requests through the stand-in signing library, as
// the browser drives it: frames on a pipe, replies read back byte for byte.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "json/value/jsonvalue.h"
#include "platform/code_page.h"
#include "tests/support/child_process.h"
#include "tests/support/memory_streams.h"

namespace {

using namespace std::string_literals;

const std::string kHost = FEROLANT_EXECUTABLE;

struct TAnswer {
  std::string Body;
  std::int64_t TabID = 0;
  std::u16string Method;
  std::int64_t ErrNo = 0;
  std::u16string ErrMsg;
  std::u16string Data;
  std::int64_t HasNextPart = -1;
};

TAnswer Read(const std::string& body) {
  TAnswer a;
  a.Body = body;
  const IJsonValue v = ParseJson(platform::ThreadAnsiToWide(body));
  if (!v) return a;
  a.TabID = v->GetInt(u"tabID");
  a.Method = v->GetText(u"metoda");
  a.ErrNo = v->GetInt(u"errNo");
  a.ErrMsg = v->GetText(u"errMsg");
  a.Data = v->GetText(u"result.data");
  a.HasNextPart = v->GetInt(u"result.hasNextPart");
  return a;
}

// A request body with the given method and text parameters (raw UTF-8).
std::string Request(const std::string& method, const std::vector<std::string>& params = {},
                    int tab = 1) {
  std::string body = R"({"metoda":")" + method + R"(","parametry":{)";
  for (std::size_t i = 0; i < params.size(); ++i) {
    if (i) body += ",";
    body += "\"param" + std::to_string(i + 1) + "\":\"" + params[i] + "\"";
  }
  return body + "},\"tabID\":" + std::to_string(tab) + "}";
}

std::string Utf8(const std::u16string& text) { return platform::WideToThreadAnsi(text); }

class HostRequests : public ::testing::Test {
 protected:
  explicit HostRequests(const std::string& path = kHost) : Host(path) {}

  TAnswer Ask(const std::string& body) {
    EXPECT_TRUE(Host.Write(Frame(body)));
    const auto reply = Host.ReadFrame();
    EXPECT_TRUE(reply.has_value()) << "no reply to " << body.substr(0, 200);
    return Read(reply.value_or(""));
  }

  void TearDown() override {
    Host.CloseInput();
    const auto status = Host.WaitForExit();
    ASSERT_TRUE(status.has_value());
    EXPECT_TRUE(status->Exited);
    EXPECT_EQ(status->Code, 0);
  }

  TChildProcess Host;
};

TEST_F(HostRequests, TheWorkedExchangeIsByteExact) {
  ASSERT_TRUE(
      Host.Write("\x33\x00\x00\x00"s
                 R"({"metoda":"NATIVEVERSION","parametry":{},"tabID":3})"));
  EXPECT_EQ(Host.Read(4), "\x60\x00\x00\x00"s);
  EXPECT_EQ(
      Host.Read(96),
      R"({"metoda":"NATIVEVERSION","result":{"data":"2","hasNextPart":0},"errNo":0,"tabID":3,"errMsg":""})");
}

TEST_F(HostRequests, InitFailsWhileTheLibraryIsOutOfService) {
  EXPECT_EQ(Ask(Request("INIT")).Data, u"OK");
  EXPECT_EQ(Ask(Request("SETCFGCODEPAGENUMBER", {"65535"})).ErrNo, 0);
  const TAnswer init = Ask(Request("init"));
  EXPECT_EQ(init.Data, u"ERR");
  EXPECT_EQ(init.ErrNo, 3);
  EXPECT_EQ(init.Method, u"init");
  EXPECT_FALSE(init.ErrMsg.empty());
  EXPECT_EQ(Ask(Request("SETCFGCODEPAGENUMBER", {"1250"})).ErrNo, 0);
  EXPECT_EQ(Ask(Request("GETCFGCODEPAGENUMBER")).Data, u"1250");
}

TEST_F(HostRequests, TheCodePageReadsZeroUntilOneIsSetThenReadsBackTheOneSet) {
  const TAnswer untouched = Ask(Request("GETCFGCODEPAGENUMBER"));
  EXPECT_EQ(untouched.ErrNo, 0);
  EXPECT_EQ(untouched.ErrMsg, u"");
  EXPECT_EQ(untouched.Data, u"0");
  EXPECT_EQ(Ask(Request("SETCFGCODEPAGENUMBER", {"0"})).ErrNo, 1);
  EXPECT_EQ(Ask(Request("GETCFGCODEPAGENUMBER")).Data, u"0");
  EXPECT_EQ(Ask(Request("SETCFGCODEPAGENUMBER", {"852"})).ErrNo, 0);
  const TAnswer kept = Ask(Request("GETCFGCODEPAGENUMBER"));
  EXPECT_EQ(kept.ErrNo, 0);
  EXPECT_EQ(kept.Data, u"852");
}

TEST_F(HostRequests, TheDialogModeTwoInItsLow16BitsSendsTheLongSpaceText) {
  for (const char* mode : {"2", "65538"}) {
    const TAnswer dlg = Ask(Request("GETFILENAMEDLG", {"Title", "x", "", "", mode}));
    EXPECT_EQ(dlg.ErrNo, 0);
    EXPECT_EQ(dlg.Data, u"mode=" + platform::ThreadAnsiToWide(mode) +
                            u";lengths=5,1024000,0,0;spaces2=1024000;text1=Title");
  }
  EXPECT_EQ(Ask(Request("GETFILENAMEDLG", {"cancel"})).ErrNo, 4);
}

TEST_F(HostRequests, NumbersAreReadFromTextsAndMissingOnesAreZero) {
  const auto numberOf = [](const TAnswer& a) {
    const std::u16string& d = a.Data;
    return d.substr(d.rfind(u':') + 1);
  };
  EXPECT_EQ(numberOf(Ask(Request("SIGNDETACHED", {"abc"}))), u"0");
  EXPECT_EQ(numberOf(Ask(Request("SIGNDETACHED", {"abc", "$10"}))), u"16");
  EXPECT_EQ(numberOf(Ask(Request("SIGNDETACHED", {"abc", "0x10"}))), u"16");
  EXPECT_EQ(numberOf(Ask(Request("SIGNDETACHED", {"abc", " -12"}))), u"-12");
  EXPECT_EQ(numberOf(Ask(Request("SIGNDETACHED", {"abc", "12 "}))), u"0");
  EXPECT_EQ(numberOf(Ask(Request("SIGNDETACHED", {"abc", "99999999999"}))), u"0");
}

TEST_F(HostRequests, AFailingFirstHashSetterIsReportedAsItsStatus) {
  EXPECT_EQ(Ask(Request("SETCFGSIGNATUREHASHALGORITHMNUMBER", {"9"})).ErrNo, 7);
  EXPECT_EQ(Ask(Request("SETCFGSIGNATUREHASHALGORITHMNUMBER", {"4"})).ErrNo, 8);
  EXPECT_EQ(Ask(Request("SETCFGSIGNATUREHASHALGORITHMNUMBER", {"2"})).ErrNo, 0);
}

// FNV-1a 64 over the text's UTF-16LE bytes and the number's four bytes, as
// the stand-in signs.
std::string StandinSignature(const std::u16string& text, std::int32_t n) {
  std::uint64_t h = 0xcbf29ce484222325ULL;
  const auto eat = [&](unsigned b) { h = (h ^ b) * 0x100000001b3ULL; };
  for (const char16_t u : text) {
    eat(u & 0xFFu);
    eat(u >> 8);
  }
  for (int i = 0; i < 4; ++i) eat((static_cast<std::uint32_t>(n) >> (8 * i)) & 0xFFu);
  char digest[17];
  std::snprintf(digest, sizeof digest, "%016llx", static_cast<unsigned long long>(h));
  return "STANDIN-SIG:"s + digest + ":" + std::to_string(text.size()) + ":" + std::to_string(n);
}

TEST_F(HostRequests, ATextWithCharactersBeyondTheBasicPlaneIsSignedIntact) {
  const std::u16string text = u"\u010d\u20ac\xD83D\xDE00";
  const TAnswer sig = Ask(Request("SIGNDETACHED", {Utf8(text), "5"}));
  EXPECT_EQ(sig.ErrNo, 0);
  EXPECT_EQ(Utf8(sig.Data), StandinSignature(text, 5));
}

TEST_F(HostRequests, LongResultsComeInBlocksThatEachFitABrowserMessage) {
  // 450001 ASCII units: two blocks, cut at exactly 450000.
  TAnswer first = Ask(Request("SIGNDETACHED", {"x", "10450001"}));
  EXPECT_EQ(first.Data.size(), 450000u);
  EXPECT_EQ(first.HasNextPart, 1);
  TAnswer last = Ask(Request("getnextblock"));
  EXPECT_EQ(last.Data, u"S");  // unit 450000 is "A" + 450000 mod 26
  EXPECT_EQ(last.HasNextPart, 0);
  EXPECT_EQ(last.Method, u"getnextblock");

  // 1,000,000 non-ASCII units: every frame within 1,048,576 bytes.
  const std::u16string pattern = u"\u010d\u0159\u00e1\u20ac\xD83D\xDE00\u017e";
  std::u16string all;
  TAnswer block = Ask(Request("SIGNDETACHED", {"x", "21000000"}));
  int frames = 1;
  for (;;) {
    EXPECT_LE(block.Body.size(), 1048576u);
    all += block.Data;
    if (block.HasNextPart != 1 || frames > 20) break;
    block = Ask(Request("GETNEXTBLOCK"));
    ++frames;
  }
  ASSERT_EQ(all.size(), 1000000u);
  for (std::size_t i = 0; i < all.size(); ++i) {
    ASSERT_EQ(all[i], pattern[i % pattern.size()]) << "at unit " << i;
  }
  // Nothing is left over for the next GETNEXTBLOCK.
  EXPECT_EQ(Ask(Request("GETNEXTBLOCK")).Data, u"");
}

TEST_F(HostRequests, AnotherRequestBetweenBlocksDiscardsTheRest) {
  EXPECT_EQ(Ask(Request("SIGNDETACHED", {"x", "11000000"})).HasNextPart, 1);
  EXPECT_EQ(Ask(Request("GETNEXTBLOCK")).HasNextPart, 1);
  EXPECT_EQ(Ask(Request("ABOUT")).ErrNo, 0);
  const TAnswer after = Ask(Request("GETNEXTBLOCK"));
  EXPECT_EQ(after.Data, u"");
  EXPECT_EQ(after.HasNextPart, 0);
}

TEST_F(HostRequests, MessagesOfTheWrongShapeAndUnknownMethodsAreAnswered) {
  Ask(Request("NATIVEVERSION", {}, 5));
  const TAnswer junk = Ask("not json {");
  EXPECT_EQ(junk.ErrNo, -31909);
  EXPECT_EQ(junk.TabID, 5);
  EXPECT_EQ(junk.Method, u"");
  EXPECT_EQ(Ask(R"({"metoda":"INIT","parametry":[]})").ErrNo, -31909);
  EXPECT_EQ(Ask(R"({"metoda":"INIT","parametry":{},"tabID":1e300})").ErrNo, -31905);
  EXPECT_EQ(Ask(Request("FOO")).ErrMsg, u"Unknown method name");
  EXPECT_EQ(Ask(Request("NATIVEVERSION")).Data, u"2");
}

TEST_F(HostRequests, TenThousandRequestsOnOnePipeAreAllAnsweredInOrder) {
  constexpr int kCount = 10000;
  std::thread writer([this] {
    for (int i = 0; i < kCount; ++i) {
      if (!Host.Write(Frame(Request("NATIVEVERSION", {}, i)))) return;
    }
  });
  int answered = 0;
  for (; answered < kCount; ++answered) {
    const auto body = Host.ReadFrame();
    if (!body) break;
    if (Read(*body).TabID != answered) break;
  }
  writer.join();
  EXPECT_EQ(answered, kCount);
}

class HostFileSize : public HostRequests {
 protected:
  void SetUp() override {
    Dir = std::filesystem::temp_directory_path() / ("ferolant-host-" + std::to_string(::getpid()));
    std::filesystem::create_directories(Dir);
  }
  void TearDown() override {
    HostRequests::TearDown();
    std::filesystem::remove_all(Dir);
  }
  std::filesystem::path Dir;
};

TEST_F(HostFileSize, AnswersEveryKindOfName) {
  EXPECT_EQ(Ask(Request("GETFILESIZE")).ErrNo, 5101);
  EXPECT_EQ(Ask(Request("GETFILESIZE", {"   "})).ErrMsg, u"File not passed");
  EXPECT_EQ(Ask(Request("GETFILESIZE", {Dir.string()})).ErrNo, 5102);
  EXPECT_EQ(Ask(Request("GETFILESIZE", {(Dir / "missing").string()})).ErrMsg, u"File not found");

  const auto empty = Dir / "empty";
  std::ofstream(empty).close();
  const TAnswer zero = Ask(Request("GETFILESIZE", {empty.string()}));
  EXPECT_EQ(zero.ErrNo, 0);
  EXPECT_EQ(zero.Data, u"0");

  const auto big = Dir / "big \xC4\x8D";
  const int fd = ::open(big.c_str(), O_CREAT | O_WRONLY, 0600);
  ASSERT_GE(fd, 0);
  const bool sized = ::ftruncate(fd, (std::int64_t{1} << 32) + 7) == 0;
  ::close(fd);
  if (sized) {
    EXPECT_EQ(Ask(Request("GETFILESIZE", {" \\t" + big.string() + "  "})).Data, u"4294967303");
  }
}

// Runs a host whose folder lacks a usable library; its standard error and exit code.
std::pair<std::string, int> RunWithoutLibrary(const std::string& path) {
  // A host that started after all would wait for input for ever: the time-out ends it.
  FILE* pipe = ::popen(("timeout 20 '" + path + "' 2>&1 </dev/null").c_str(), "r");
  if (!pipe) return {"", -1};
  std::string out;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
  const int status = ::pclose(pipe);
  return {out, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

// Runs `command` through the shell in `folder` with `requests` on its standard input; its
// standard output, or its standard error when `errors` is set.
std::string RunIn(const std::filesystem::path& folder, const std::string& command,
                  const std::string& requests, bool errors = false) {
  const auto input =
      std::filesystem::temp_directory_path() / ("ferolant-requests-" + std::to_string(::getpid()));
  std::ofstream(input, std::ios::binary) << requests;
  const std::string redirect = errors ? " 2>&1 >/dev/null" : " 2>/dev/null";
  FILE* pipe = ::popen(("cd '" + folder.string() + "' && timeout 20 " + command + " <'" +
                        input.string() + "'" + redirect)
                           .c_str(),
                       "r");
  std::string out;
  if (pipe) {
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
      out.append(buffer, n);
    }
    ::pclose(pipe);
  }
  std::filesystem::remove(input);
  return out;
}

TAnswer FirstReply(const std::string& output) {
  if (output.size() < 4) return Read("");
  return Read(output.substr(4, FrameLength(output.data())));
}

TEST(HostStart, FindsTheLibraryBesideTheRealExecutableHoweverItIsNamed) {
  const std::filesystem::path real = kHost;
  const std::string about = Frame(Request("ABOUT"));

  // By a name relative to the folder it is started in.
  EXPECT_EQ(FirstReply(RunIn(real.parent_path(), "./" + real.filename().string(), about)).ErrNo, 0);

  // Through a link in a folder without a library: the library is the one beside the real file.
  const auto folder =
      std::filesystem::temp_directory_path() / ("ferolant-link-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  std::filesystem::create_symlink(real, folder / "linked-host");
  const TAnswer linked = FirstReply(RunIn(folder, "./linked-host", about));
  EXPECT_EQ(linked.ErrNo, 0) << linked.Body;
  EXPECT_EQ(linked.Method, u"ABOUT");
  std::filesystem::remove_all(folder);
}

TEST(HostWithoutLibrary, AnswersNothingEvenToRequestsThatNeedNoLibrary) {
  const std::string requests = Frame("not JSON") + Frame(Request("NATIVEVERSION")) +
                               Frame(Request("GETNEXTBLOCK")) + Frame(Request("NOSUCHMETHOD"));
  const std::filesystem::path host = FEROLANT_NO_LIBRARY_EXECUTABLE;
  EXPECT_EQ(RunIn(host.parent_path(), "'" + host.string() + "'", requests), "");
  EXPECT_NE(
      RunIn(host.parent_path(), "'" + host.string() + "'", requests, true).find("cannot be loaded"),
      std::string::npos);
}

TEST(HostWithoutLibrary, AMissingLibraryOrFunctionStopsItWithOneLine) {
  const auto [missing, missingCode] = RunWithoutLibrary(FEROLANT_NO_LIBRARY_EXECUTABLE);
  EXPECT_NE(missingCode, 0);
  EXPECT_NE(missing.find("cannot be loaded"), std::string::npos) << missing;
  EXPECT_EQ(std::count(missing.begin(), missing.end(), '\n'), 1) << missing;

  const auto [lacking, lackingCode] = RunWithoutLibrary(FEROLANT_BROKEN_LIBRARY_EXECUTABLE);
  EXPECT_NE(lackingCode, 0);
  EXPECT_NE(lacking.find("lacks the function GetLastErrorStrW"), std::string::npos) << lacking;
  EXPECT_EQ(std::count(lacking.begin(), lacking.end(), '\n'), 1) << lacking;
}

}  // namespace
