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

std::unique_ptr<HostProcess> StartFake() {
  std::string error;
  auto host = HostProcess::Start(FAKE_HOST_PATH, error);
  EXPECT_TRUE(host) << error;
  return host;
}

ExchangeOptions Patient() {
  ExchangeOptions o;
  o.timeout = kPatience;
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
  const Exchange ex = RunExchange(*host, BuildRequest("LONG", {"1000000"}, 9), Patient());
  ASSERT_TRUE(ex.ok()) << ex.failure;
  ASSERT_EQ(ex.replies.size(), 3u);
  EXPECT_EQ(ex.replies[0].data.size(), 450000u);
  EXPECT_EQ(ex.replies[1].data.size(), 450000u);
  EXPECT_EQ(ex.replies[2].data.size(), 100000u);
  EXPECT_EQ(ex.replies[0].has_next_part, 1);
  EXPECT_EQ(ex.replies[1].has_next_part, 1);
  EXPECT_EQ(ex.replies[2].has_next_part, 0);
  EXPECT_EQ(ex.replies[1].metoda, u"GETNEXTBLOCK");
  EXPECT_EQ(ex.replies[1].tab_id, 9);
  EXPECT_EQ(ex.data, Pattern(1000000));

  // The same request without following stops at the first block; the host keeps the rest.
  ExchangeOptions once = Patient();
  once.follow_blocks = false;
  const Exchange first = RunExchange(*host, BuildRequest("LONG", {"450001"}, 1), once);
  ASSERT_EQ(first.replies.size(), 1u);
  EXPECT_EQ(first.data.size(), 450000u);
  const Exchange rest = RunExchange(*host, NextBlockRequest(1), once);
  EXPECT_EQ(rest.data, Pattern(450001).substr(450000));

  host->CloseInput();
  const auto status = host->WaitExit(kPatience);
  ASSERT_TRUE(status);
  EXPECT_EQ(DescribeExit(*status), "exit code 0");
}

TEST(ClientSession, ReportsAHostThatDoesNotAnswerProperly) {
  struct Case {
    const char* method;
    const char* failure;
  };
  for (const Case c : {Case{"CUT", "in the middle of a reply"},
                       Case{"EXIT", "closed its output without replying"}}) {
    auto host = StartFake();
    ASSERT_TRUE(host);
    const Exchange ex = RunExchange(*host, BuildRequest(c.method, {}, 1), Patient());
    EXPECT_NE(ex.failure.find(c.failure), std::string::npos) << c.method << ": " << ex.failure;
  }

  auto host = StartFake();
  ASSERT_TRUE(host);
  ExchangeOptions brief = Patient();
  brief.timeout = 300ms;  // the host never answers, so any wait ends the same way
  const Exchange silent = RunExchange(*host, BuildRequest("SILENT", {}, 1), brief);
  EXPECT_NE(silent.failure.find("no reply within 300 ms"), std::string::npos) << silent.failure;

  std::string error;
  EXPECT_FALSE(HostProcess::Start("/nonexistent/ferolant", error));
  EXPECT_NE(error.find("/nonexistent/ferolant"), std::string::npos);
}

TEST(ClientSession, FlagsRepliesABrowserWouldTripOver) {
  auto host = StartFake();
  ASSERT_TRUE(host);
  const Exchange huge = RunExchange(*host, BuildRequest("HUGE", {}, 1), Patient());
  ASSERT_TRUE(huge.ok());
  EXPECT_EQ(huge.problem_count(), 1u);
  EXPECT_EQ(huge.data.size(), 200000u);

  const Exchange broken = RunExchange(*host, BuildRequest("BROKEN", {}, 1), Patient());
  ASSERT_TRUE(broken.ok());  // a frame came; its body is the problem
  EXPECT_FALSE(broken.replies[0].parsed);

  // A boolean hasNextPart is not followed: only the integer 1 means "more".
  const Exchange boolean = RunExchange(*host, BuildRequest("BOOLEAN", {}, 1), Patient());
  ASSERT_EQ(boolean.replies.size(), 1u);
  EXPECT_EQ(boolean.problem_count(), 1u);
}

TEST(ClientSession, WholeRunPrintsEachExchangeAndTheHostsEnd) {
  SessionConfig config;
  config.host_path = FAKE_HOST_PATH;
  config.exchange = Patient();
  config.report.show = 40;
  config.requests = {BuildRequest("ECHO", {"Žluť 😀"}, 4), BuildRequest("LONG", {"450001"}, 5),
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
  config.strict = true;
  out.str("");
  EXPECT_EQ(RunSession(config, out, err), kSessionFailed);
  config.strict = false;
  config.requests = {BuildRequest("EXIT", {}, 1), BuildRequest("NATIVEVERSION", {}, 2)};
  out.str("");
  EXPECT_EQ(RunSession(config, out, err), kSessionFailed);
  EXPECT_EQ(out.str().find(">>> request 2"), std::string::npos);
  EXPECT_NE(out.str().find("exit code 5"), std::string::npos);
}
