// The built host against a browser, or a page behind it, that sends what it
// should not: garbage, lies in frame headers, huge bodies, floods, deep
// nesting, broken text and a reader that stops listening. Each case says what
// the reply must be; afterwards the host must still answer normally wherever
// the framing lets it.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/memory_streams.h"

namespace {

using namespace std::string_literals;

const std::string kHost = FEROLANT_EXECUTABLE;

// Work that needs many megabytes or thousands of round trips gets longer than
// the usual wait on a loaded machine, still as a time-out and never a pace.
constexpr std::chrono::milliseconds kLongTimeout = std::chrono::minutes(3);

std::string Request(const std::string& method, const std::string& params, int tabID) {
  return R"({"metoda":")" + method + R"(","parametry":{)" + params + R"(},"tabID":)" +
         std::to_string(tabID) + "}";
}

std::string Reply(const std::string& method, const std::string& data, int errNo, int tabID,
                  const std::string& errMsg = "", int hasNextPart = 0) {
  return R"({"metoda":")" + method + R"(","result":{"data":")" + data + R"(","hasNextPart":)" +
         std::to_string(hasNextPart) + R"(},"errNo":)" + std::to_string(errNo) + R"(,"tabID":)" +
         std::to_string(tabID) + R"(,"errMsg":")" + errMsg + R"("})";
}

std::string Invalid(int tabID) { return Reply("", "", -31909, tabID, "Invalid communication"); }
std::string Version(int tabID) { return Reply("NATIVEVERSION", "2", 0, tabID); }

// What the stand-in library's file dialog reports for a request that sends
// only its first text: the text as the library received it.
std::string DialogEcho(const std::string& lengthOfText1, const std::string& text1) {
  return "mode=0;lengths=" + lengthOfText1 + ",0,0,0;spaces2=0;text1=" + text1;
}

// Writes to the host from a thread of its own, so that a test can read
// replies while a long input is still going in (the host answers each request
// before it reads the next, and both pipes are bounded). Frames go one write
// each, as a browser writes them: one write of many would let a full pipe cut
// a header, and the host drops a header it reads short.
class TBackgroundWriter {
 public:
  TBackgroundWriter(TChildProcess& host, std::vector<std::string> frames)
      : FFrames(std::move(frames)), FThread([this, &host] {
          FWritten = true;
          for (const std::string& frame : FFrames) {
            if (!(FWritten = host.Write(frame))) return;
          }
        }) {}
  TBackgroundWriter(TChildProcess& host, std::string bytes)
      : TBackgroundWriter(host, std::vector<std::string>{std::move(bytes)}) {}
  ~TBackgroundWriter() { Join(); }
  bool Join() {
    if (FThread.joinable()) FThread.join();
    return FWritten;
  }

 private:
  std::vector<std::string> FFrames;
  bool FWritten = false;
  std::thread FThread;
};

// A number from /proc/<pid>/<file>: the field after "name" (status, io).
std::optional<std::uint64_t> ProcField(int pid, const std::string& file, const std::string& name) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/" + file);
  std::string key;
  std::uint64_t value = 0;
  while (in >> key) {
    if (key == name && in >> value) return value;
    in.ignore(1 << 20, '\n');
  }
  return std::nullopt;
}

// Waits until the host has taken at least count bytes from its input in all.
bool WaitUntilRead(TChildProcess& host, std::uint64_t count) {
  const auto deadline = std::chrono::steady_clock::now() + kLongTimeout;
  while (std::chrono::steady_clock::now() < deadline) {
    const auto read = ProcField(host.Pid(), "io", "rchar:");
    if (read && *read >= count) return true;
    if (!host.Running()) return false;
    // Looking again, not pacing the test: the loop ends as soon as it is true.
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return false;
}

void ExpectCleanExit(TChildProcess& host) {
  const auto status = host.WaitForExit(kLongTimeout);
  ASSERT_TRUE(status.has_value()) << "the host did not end";
  EXPECT_TRUE(status->Exited) << "killed by signal " << status->Code;
  EXPECT_EQ(status->Code, 0);
}

std::string RandomBytes(std::mt19937& random, std::size_t count) {
  std::uniform_int_distribution<int> byte(0, 255);
  std::string bytes(count, '\0');
  for (char& c : bytes) c = static_cast<char>(byte(random));
  return bytes;
}

// ASCII without control characters (DEL may stand as itself).
bool IsPlainAscii(const std::string& text) {
  for (const char c : text)
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7F) return false;
  return true;
}

TEST(HostileInput, RandomBodiesAreAnsweredAsInvalidAndServingGoesOn) {
  TChildProcess host(kHost);
  std::mt19937 random(20261207);
  std::uniform_int_distribution<std::size_t> length(1, 3000);
  std::vector<std::string> input{Frame(Request("NATIVEVERSION", "", 5))};
  constexpr int kMessages = 300;
  for (int i = 0; i < kMessages; ++i) input.push_back(Frame(RandomBytes(random, length(random))));
  input.push_back(Frame(Request("NATIVEVERSION", "", 6)));
  TBackgroundWriter writer(host, input);

  EXPECT_EQ(host.ReadFrame(kLongTimeout), Version(5));
  // Garbage keeps the tab id of the last well-formed request.
  for (int i = 0; i < kMessages; ++i) ASSERT_EQ(host.ReadFrame(kLongTimeout), Invalid(5)) << i;
  EXPECT_EQ(host.ReadFrame(kLongTimeout), Version(6));
  ASSERT_TRUE(writer.Join());
  host.CloseInput();
  ExpectCleanExit(host);
}

TEST(HostileInput, UnframedRandomBytesGetOnlyWellFormedRepliesAndACleanEnd) {
  TChildProcess host(kHost);
  std::mt19937 random(7);
  TBackgroundWriter writer(host, RandomBytes(random, 256 * 1024));
  ASSERT_TRUE(writer.Join());
  host.CloseInput();
  // Whatever the headers claimed, every answer is a whole frame of plain ASCII.
  const auto output = host.ReadToEnd(kLongTimeout);
  ASSERT_TRUE(output.has_value());
  std::size_t at = 0;
  int frames = 0;
  while (at < output->size()) {
    ASSERT_GE(output->size() - at, 4u) << "a torn frame header";
    const std::uint32_t size = FrameLength(output->data() + at);
    ASSERT_LE(size, output->size() - at - 4) << "a torn frame body";
    const std::string body = output->substr(at + 4, size);
    EXPECT_TRUE(IsPlainAscii(body)) << body;
    EXPECT_EQ(body.rfind(R"({"metoda":")", 0), 0u) << body;
    at += 4 + size;
    ++frames;
  }
  EXPECT_GT(frames, 0);
  ExpectCleanExit(host);
}

TEST(HostileInput, AHeaderThatOverstatesTheBodyCostsOnlyWhatArrives) {
  TChildProcess host(kHost);
  const std::string first = Frame(Request("NATIVEVERSION", "", 1));
  ASSERT_TRUE(host.Write(first));
  ASSERT_EQ(host.ReadFrame(), Version(1));
  const auto before = ProcField(host.Pid(), "status", "VmPeak:");
  ASSERT_TRUE(before.has_value());

  // 2 GiB announced, 64 KiB sent, and then nothing more.
  const std::string body(64 * 1024, 'x');
  ASSERT_TRUE(host.Write("\xFF\xFF\xFF\x7F"s + body));
  ASSERT_TRUE(WaitUntilRead(host, first.size() + 4 + body.size()));
  const auto after = ProcField(host.Pid(), "status", "VmPeak:");
  ASSERT_TRUE(after.has_value());
  // In kB. Taking the header at its word would have reserved 2 GiB.
  EXPECT_LT(*after - *before, 256u * 1024u)
      << "peak address space grew from " << *before << " kB to " << *after << " kB";

  // The end of input cuts the body short: what arrived is answered as a message.
  host.CloseInput();
  EXPECT_EQ(host.ReadFrame(kLongTimeout), Invalid(1));
  ExpectCleanExit(host);
}

TEST(HostileInput, AHundredMebibyteBodyIsReadWholeAndAnswered) {
  TChildProcess host(kHost);
  const std::string text(100 * 1024 * 1024 - 80, 'p');
  const std::string big = Request("NATIVEVERSION", R"("param1":")" + text + R"(")", 9);
  std::vector<std::string> input{Frame(big), Frame(Request("NATIVEVERSION", "", 10))};
  TBackgroundWriter writer(host, std::move(input));
  EXPECT_EQ(host.ReadFrame(kLongTimeout), Version(9));
  EXPECT_EQ(host.ReadFrame(kLongTimeout), Version(10));
  ASSERT_TRUE(writer.Join());
  host.CloseInput();
  ExpectCleanExit(host);
}

// The request object is one container: `arrays` more around a value give
// arrays + 1 levels, and no value may be enclosed in more than 31.
std::string NestedRequest(int arrays, const std::string& innermost, int tabID) {
  return R"({"metoda":"NATIVEVERSION","parametry":{},"tabID":)" + std::to_string(tabID) +
         R"(,"deep":)" + std::string(arrays, '[') + innermost + std::string(arrays, ']') + "}";
}

TEST(HostileInput, ThirtyOneLevelsAreReadAndThirtyTwoRefused) {
  TChildProcess host(kHost);
  ASSERT_TRUE(host.Write(Frame(NestedRequest(30, "1", 31))));
  EXPECT_EQ(host.ReadFrame(), Version(31));
  ASSERT_TRUE(host.Write(Frame(NestedRequest(31, "1", 32))));
  EXPECT_EQ(host.ReadFrame(), Invalid(31));
  // Thirty-two containers are fine when the innermost one holds nothing.
  ASSERT_TRUE(host.Write(Frame(NestedRequest(31, "", 33))));
  EXPECT_EQ(host.ReadFrame(), Version(33));
  // Far deeper input is refused just the same, without recursion to exhaust.
  ASSERT_TRUE(host.Write(Frame(NestedRequest(200000, "1", 34))));
  EXPECT_EQ(host.ReadFrame(), Invalid(33));
  ASSERT_TRUE(host.Write(Frame(Request("NATIVEVERSION", "", 35))));
  EXPECT_EQ(host.ReadFrame(), Version(35));
  host.CloseInput();
  ExpectCleanExit(host);
}

struct TTextCase {
  const char* Name;
  std::string Param1;  // the JSON text of "param1" as it stands in the body
  std::string Data;    // the reply's data, as written on the wire
};

void PrintTo(const TTextCase& c, std::ostream* out) { *out << c.Name; }

class HostileText : public ::testing::TestWithParam<TTextCase> {};

// The stand-in's file dialog echoes the first text it was given, so its reply
// shows what became of a parameter.
TEST_P(HostileText, ParameterArrivesAsDecodedOrEmpty) {
  TChildProcess host(kHost);
  ASSERT_TRUE(host.Write(Frame(Request("GETFILENAMEDLG", R"("param1":)" + GetParam().Param1, 2))));
  EXPECT_EQ(host.ReadFrame(), Reply("GETFILENAMEDLG", GetParam().Data, 0, 2));
  ASSERT_TRUE(host.Write(Frame(Request("NATIVEVERSION", "", 3))));
  EXPECT_EQ(host.ReadFrame(), Version(3));
  host.CloseInput();
  ExpectCleanExit(host);
}

INSTANTIATE_TEST_SUITE_P(
    Posix, HostileText,
    ::testing::Values(
        TTextCase{"RawUtf8", "\"\xC4\x8D\xF0\x9F\x98\x80\"",
                  DialogEcho("3", R"(\u010d\ud83d\ude00)")},
        // Bytes that are not UTF-8 make the whole parameter empty.
        TTextCase{"InvalidByte",
                  "\"a\xFF"
                  "b\"",
                  DialogEcho("0", "")},
        TTextCase{"StrayContinuation", "\"a\x80\"", DialogEcho("0", "")},
        TTextCase{"TruncatedSequence", "\"a\xC4\"", DialogEcho("0", "")},
        TTextCase{"FourByteLeadBeyondUnicode", "\"\xF5\x80\x80\x80\"", DialogEcho("0", "")},
        // Overlong forms decode to what they spell.
        TTextCase{"OverlongTwoBytes", "\"\xC0\xAF\"", DialogEcho("1", R"(\/)")},
        TTextCase{"OverlongThreeBytes", "\"\xE0\x80\xAF\"", DialogEcho("1", R"(\/)")},
        // Surrogates encoded one by one (CESU-8) pair up again.
        TTextCase{"RawCesu8", "\"\xED\xA0\xBD\xED\xB8\x80\"", DialogEcho("2", R"(\ud83d\ude00)")},
        TTextCase{"RawLoneSurrogate", "\"\xED\xA0\xBD\"", DialogEcho("1", R"(\ud83d)")},
        // An escaped pair is a whole character; a lone escaped half has no
        // UTF-8 form and arrives as the replacement character.
        TTextCase{"EscapedPair", R"("\ud83d\ude00")", DialogEcho("2", R"(\ud83d\ude00)")},
        TTextCase{"EscapedLoneSurrogate", R"("x\ud83d")", DialogEcho("2", R"(x\ufffd)")},
        TTextCase{"EscapedNul", R"("a\u0000b")", DialogEcho("3", R"(a\u0000b)")}),
    [](const ::testing::TestParamInfo<TTextCase>& info) { return info.param.Name; });

TEST(HostileInput, NulInTheMethodNameIsPartOfTheName) {
  TChildProcess host(kHost);
  // Escaped, U+0000 is a character of the name: no method is called that.
  ASSERT_TRUE(host.Write(Frame(Request(R"(NATIVEVERSION\u0000)", "", 4))));
  EXPECT_EQ(host.ReadFrame(),
            Reply(R"(NATIVEVERSION\u0000)", "", -31901, 4, "Unknown method name"));
  // Raw, the byte ends the text that the reader sees: the message is cut off.
  ASSERT_TRUE(host.Write(Frame(Request("NATIVE\0VERSION"s, "", 5))));
  EXPECT_EQ(host.ReadFrame(), Invalid(4));
  ASSERT_TRUE(host.Write(Frame(Request("NATIVEVERSION", "", 6))));
  EXPECT_EQ(host.ReadFrame(), Version(6));
  host.CloseInput();
  ExpectCleanExit(host);
}

TEST(HostileInput, AHugeMethodNameGetsAReplyABrowserAccepts) {
  TChildProcess host(kHost);
  const std::string name(3 * 1024 * 1024, 'q');
  TBackgroundWriter writer(host,
                           {Frame(Request(name, "", 4)), Frame(Request("NATIVEVERSION", "", 5))});
  const auto reply = host.ReadFrame(kLongTimeout);
  ASSERT_TRUE(reply.has_value());
  EXPECT_LE(reply->size(), 1048576u);
  // The echo of the name is cut short; the rest of the reply is as for any unknown name.
  const std::string tail =
      R"(","result":{"data":"","hasNextPart":0},"errNo":-31901,"tabID":4,"errMsg":"Unknown method name"})";
  ASSERT_GT(reply->size(), tail.size());
  EXPECT_EQ(reply->substr(reply->size() - tail.size()), tail);
  EXPECT_EQ(host.ReadFrame(kLongTimeout), Version(5));
  ASSERT_TRUE(writer.Join());
  host.CloseInput();
  ExpectCleanExit(host);
}

TEST(HostileInput, AReaderThatStopsReadingBlocksTheHostUntilThePipeBreaks) {
  TChildProcess host(kHost);
  // 200000 units that are each escaped to six bytes: far more than a pipe holds.
  const std::string request =
      Frame(Request("SIGNDETACHED", R"("param1":"x","param2":"20200000")", 1));
  ASSERT_TRUE(host.Write(request + request));
  ASSERT_TRUE(WaitUntilRead(host, request.size()));
  // Nobody reads, so the first reply cannot have been written out whole.
  EXPECT_TRUE(host.Running());
  host.CloseOutput();
  // The input stays open: the broken pipe alone ends the host, and cleanly.
  ExpectCleanExit(host);
}

}  // namespace
