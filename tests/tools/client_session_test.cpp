// The client against a scripted host process: block following, reassembly, and every way a
// host can fail to answer.
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>

#include "tools/client/exchange.h"
#include "tools/client/host_process.h"
#include "tools/client/session.h"

using namespace ferolant::client;
using namespace std::chrono_literals;

namespace {

// Generous: the machine may be busy; a hang shows up as a failure, not a stuck test.
constexpr std::chrono::milliseconds kPatience = 60s;

std::unique_ptr<THostProcess> StartFake() {
  std::string error;
  auto host = THostProcess::Start(FAKE_HOST_PATH, error);
  EXPECT_TRUE(host) << error;
  return host;
}

TExchangeOptions Patient() {
  TExchangeOptions o;
  o.Timeout = kPatience;
  return o;
}

std::u16string Pattern(std::size_t n) {
  std::u16string out;
  while (out.size() < n) out += u"Žluťoučký kůň 😀 ";
  out.resize(n);
  return out;
}

}  // namespace

TEST(ClientSession, FollowsBlocksAndJoinsThemExactly) {
  auto host = StartFake();
  ASSERT_TRUE(host);
  // 1,000,000 units arrive as 450000 + 450000 + 100000; the first cut falls inside a pair.
  const TExchange ex = RunExchange(*host, BuildRequest("LONG", {"1000000"}, 9), Patient());
  ASSERT_TRUE(ex.Succeeded()) << ex.Failure;
  ASSERT_EQ(ex.Replies.size(), 3u);
  EXPECT_EQ(ex.Replies[0].Data.size(), 450000u);
  EXPECT_EQ(ex.Replies[1].Data.size(), 450000u);
  EXPECT_EQ(ex.Replies[2].Data.size(), 100000u);
  EXPECT_EQ(ex.Replies[0].HasNextPart, 1);
  EXPECT_EQ(ex.Replies[1].HasNextPart, 1);
  EXPECT_EQ(ex.Replies[2].HasNextPart, 0);
  EXPECT_EQ(ex.Replies[1].Metoda, u"GETNEXTBLOCK");
  EXPECT_EQ(ex.Replies[1].TabId, 9);
  EXPECT_EQ(ex.Data, Pattern(1000000));

  // The same request without following stops at the first block; the host keeps the rest.
  TExchangeOptions once = Patient();
  once.FollowBlocks = false;
  const TExchange first = RunExchange(*host, BuildRequest("LONG", {"450001"}, 1), once);
  ASSERT_EQ(first.Replies.size(), 1u);
  EXPECT_EQ(first.Data.size(), 450000u);
  const TExchange rest = RunExchange(*host, NextBlockRequest(1), once);
  EXPECT_EQ(rest.Data, Pattern(450001).substr(450000));

  host->CloseInput();
  const auto status = host->WaitExit(kPatience);
  ASSERT_TRUE(status);
  EXPECT_EQ(DescribeExit(*status), "exit code 0");
}

TEST(ClientSession, ReportsAHostThatDoesNotAnswerProperly) {
  struct TCase {
    const char* Method;
    const char* Failure;
  };
  for (const TCase c : {TCase{"CUT", "in the middle of a reply"},
                        TCase{"EXIT", "closed its output without replying"}}) {
    auto host = StartFake();
    ASSERT_TRUE(host);
    const TExchange ex = RunExchange(*host, BuildRequest(c.Method, {}, 1), Patient());
    EXPECT_NE(ex.Failure.find(c.Failure), std::string::npos) << c.Method << ": " << ex.Failure;
  }

  auto host = StartFake();
  ASSERT_TRUE(host);
  TExchangeOptions brief = Patient();
  brief.Timeout = 300ms;  // the host never answers, so any wait ends the same way
  const TExchange silent = RunExchange(*host, BuildRequest("SILENT", {}, 1), brief);
  EXPECT_NE(silent.Failure.find("no reply within 300 ms"), std::string::npos) << silent.Failure;

  std::string error;
  EXPECT_FALSE(THostProcess::Start("/nonexistent/ferolant", error));
  EXPECT_NE(error.find("/nonexistent/ferolant"), std::string::npos);
}

TEST(ClientSession, FlagsRepliesABrowserWouldTripOver) {
  auto host = StartFake();
  ASSERT_TRUE(host);
  const TExchange huge = RunExchange(*host, BuildRequest("HUGE", {}, 1), Patient());
  ASSERT_TRUE(huge.Succeeded());
  EXPECT_EQ(huge.ProblemCount(), 1u);
  EXPECT_EQ(huge.Data.size(), 200000u);

  const TExchange broken = RunExchange(*host, BuildRequest("BROKEN", {}, 1), Patient());
  ASSERT_TRUE(broken.Succeeded());  // a frame came; its body is the problem
  EXPECT_FALSE(broken.Replies[0].Parsed);

  // A boolean hasNextPart is not followed: only the integer 1 means "more".
  const TExchange boolean = RunExchange(*host, BuildRequest("BOOLEAN", {}, 1), Patient());
  ASSERT_EQ(boolean.Replies.size(), 1u);
  EXPECT_EQ(boolean.ProblemCount(), 1u);
}

TEST(ClientSession, WholeRunPrintsEachExchangeAndTheHostsEnd) {
  TSessionConfig config;
  config.HostPath = FAKE_HOST_PATH;
  config.Exchange = Patient();
  config.Report.Show = 40;
  config.Requests = {BuildRequest("ECHO", {"Žluť 😀"}, 4), BuildRequest("LONG", {"450001"}, 5),
                     "not json at all", BuildRequest("NOPE", {}, 6)};
  std::ostringstream out, err;
  EXPECT_EQ(RunSession(config, out, err), kSessionOk) << err.str();
  const std::string text = out.str();
  for (const char* expected :
       {"<<< reply 1 (", "metoda \"ECHO\", tabID 4, errNo 0, errMsg \"\", hasNextPart 0",
        "data: Žluť 😀\n", "<<< block 2 (", "data reassembled from 2 replies: 450001 code units",
        "more bytes; --show 0 shows all)", ">>> request 3 (15 bytes): not json at all",
        "errNo -31909", "errNo -31901", "host ended ", "after its input was closed, exit code 0"}) {
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n---\n" << text;
  }

  // Strict runs fail on an error number; a failed exchange stops the run.
  config.Strict = true;
  out.str("");
  EXPECT_EQ(RunSession(config, out, err), kSessionFailed);
  config.Strict = false;
  config.Requests = {BuildRequest("EXIT", {}, 1), BuildRequest("NATIVEVERSION", {}, 2)};
  out.str("");
  EXPECT_EQ(RunSession(config, out, err), kSessionFailed);
  EXPECT_EQ(out.str().find(">>> request 2"), std::string::npos);
  EXPECT_NE(out.str().find("exit code 5"), std::string::npos);
}
