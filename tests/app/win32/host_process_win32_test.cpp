// The built ferolant.exe as the browser starts it on Windows: a child process
// with anonymous pipes, the stand-in Tavrin.dll beside it.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/child_process.h"
#include "tests/support/memory_streams.h"

namespace {

using namespace std::string_literals;

const std::string kHost = FEROLANT_EXECUTABLE;
const std::string kLoggingHost = FEROLANT_LOGGING_EXECUTABLE;

void ExpectCleanExit(TChildProcess& host) {
  host.CloseInput();
  const auto status = host.WaitForExit();
  ASSERT_TRUE(status.has_value()) << "the host did not end";
  EXPECT_EQ(status->Code, 0);
}

TEST(WindowsHost, TheWorkedExchangeIsByteExact) {
  TChildProcess host(kHost);
  ASSERT_TRUE(
      host.Write("\x33\x00\x00\x00"s
                 R"({"metoda":"NATIVEVERSION","parametry":{},"tabID":3})"));
  EXPECT_EQ(host.Read(4), "\x60\x00\x00\x00"s);
  EXPECT_EQ(
      host.Read(96),
      R"({"metoda":"NATIVEVERSION","result":{"data":"2","hasNextPart":0},"errNo":0,"tabID":3,"errMsg":""})");
  ExpectCleanExit(host);
}

TEST(WindowsHost, AHeaderThenTheEndOfInputEndsIt) {
  TChildProcess host(kHost);
  ASSERT_TRUE(host.Write("\0\0\0\0"s));
  ExpectCleanExit(host);
  EXPECT_EQ(host.ReadToEnd(), "");
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

// Appends the character c (below U+0100) to a JSON string as raw UTF-8,
// escaping only what JSON needs escaped.
void AppendCharacter(unsigned c, std::string& json, std::u16string& text) {
  text += static_cast<char16_t>(c);
  if (c == 0) {
    json += "\\u0000";
  } else if (c == '"' || c == '\\') {
    json += '\\';
    json += static_cast<char>(c);
  } else if (c < 0x80) {
    json += static_cast<char>(c);
  } else {
    json += static_cast<char>(0xC0 | c >> 6);
    json += static_cast<char>(0x80 | (c & 0x3F));
  }
}

TEST(WindowsHost, AOneMebibyteBodyWithEveryByteValueArrivesIntact) {
  // Raw CR LF and ^Z among every other byte: a pipe in text mode would drop
  // the CR, end the input at the ^Z, or both, and the signature would differ.
  const std::string head = R"({"metoda":"SIGNDETACHED","parametry":{"param1":")";
  const std::string tail = R"(","param2":"5"},"tabID":7})";
  constexpr std::size_t kBody = 1 << 20;
  std::string json;
  std::u16string text;
  while (head.size() + json.size() + tail.size() + 600 < kBody) {
    for (const unsigned c : {0x0Du, 0x0Au, 0x1Au}) AppendCharacter(c, json, text);
    for (unsigned c = 0; c < 0x100; ++c) AppendCharacter(c, json, text);
  }
  while (head.size() + json.size() + tail.size() < kBody) AppendCharacter('a', json, text);
  const std::string body = head + json + tail;
  ASSERT_EQ(body.size(), kBody);

  TChildProcess host(kHost);
  ASSERT_TRUE(host.Write(Frame(body)));
  const auto reply = host.ReadFrame();
  ASSERT_TRUE(reply.has_value());
  EXPECT_NE(reply->find("\"data\":\"" + StandinSignature(text, 5) + "\""), std::string::npos)
      << *reply;
  EXPECT_NE(reply->find("\"tabID\":7,"), std::string::npos);
  ExpectCleanExit(host);
}

TEST(WindowsHost, AReplyWhoseLengthHoldsALineFeedComesOutUnchanged) {
  // The echoed method name sets the reply's length: 0x10A puts a line feed in
  // the header, which an output pipe in text mode would turn into CR LF.
  TChildProcess host(kHost);
  const auto ask = [&](const std::string& method) {
    EXPECT_TRUE(host.Write(Frame(R"({"metoda":")" + method + R"(","parametry":{},"tabID":1})")));
    return host.ReadFrame();
  };
  const auto shortest = ask("X");
  ASSERT_TRUE(shortest.has_value());
  ASSERT_LT(shortest->size(), 0x10Au);
  ASSERT_TRUE(host.Write(Frame(R"({"metoda":")" + std::string(0x10A - shortest->size() + 1, 'X') +
                               R"(","parametry":{},"tabID":1})")));
  EXPECT_EQ(host.Read(4), "\x0A\x01\x00\x00"s);
  const auto body = host.Read(0x10A);
  ASSERT_TRUE(body.has_value());
  EXPECT_EQ(body->back(), '}');
  EXPECT_NE(body->find("Unknown method name"), std::string::npos);
  ExpectCleanExit(host);
}

std::string Slurp(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

TEST(WindowsHost, TheDialogWatchFindsTheWindowOfAFileDialog) {
  const auto dir = std::filesystem::temp_directory_path() /
                   ("ferolant-dialog-" + std::to_string(GetCurrentProcessId()));
  std::filesystem::create_directories(dir);
  const auto logFile = dir / "Ferolant.log";
  SetEnvironmentVariableW(L"FEROLANT_TEST_LOG_FILE", logFile.wstring().c_str());
  std::string log;
  {
    TChildProcess host(kLoggingHost);
    SetEnvironmentVariableW(L"FEROLANT_TEST_LOG_FILE", nullptr);
    ASSERT_TRUE(host.Write(Frame(
        R"({"metoda":"GETFILENAMEDLG","parametry":{"param1":"Title","param2":"x","param3":"","param4":"","param5":"2"},"tabID":4})")));
    const auto reply = host.ReadFrame();
    ASSERT_TRUE(reply.has_value());
    EXPECT_NE(reply->find("\"data\":\"mode=2;"), std::string::npos) << *reply;
    EXPECT_NE(reply->find("\"errNo\":0,"), std::string::npos) << *reply;
    // The file is rewritten after every line: read once the host has ended.
    ExpectCleanExit(host);
    log = Slurp(logFile);
  }
  std::filesystem::remove_all(dir);
  const std::string mark = "WindowEnum end: ";
  bool found = false;
  for (auto at = log.find(mark); at != std::string::npos; at = log.find(mark, at + 1)) {
    const char first = log[at + mark.size()];
    if (first >= '1' && first <= '9') found = true;
  }
  EXPECT_TRUE(found) << log;
}

}  // namespace
