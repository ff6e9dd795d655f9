// The client and the demo against the host that was built with them and the stand-in library.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <sstream>

#include "tools/client/exchange.h"
#include "tools/client/frame.h"
#include "tools/client/host_process.h"
#include "tools/client/session.h"

using namespace ferolant::client;
using namespace std::chrono_literals;

namespace {

TExchangeOptions Patient() {
  TExchangeOptions o;
  o.Timeout = 60s;
  return o;
}

std::u16string NonAsciiRun(std::size_t n) {
  static const std::u16string pattern = u"\u010d\u0159\u00e1\u20ac\xd83d\xde00\u017e";
  std::u16string out(n, u'\0');
  for (std::size_t i = 0; i < n; ++i) out[i] = pattern[i % pattern.size()];
  return out;
}

class RealHost : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    FHost = THostProcess::Start(REAL_HOST_PATH, error);
    ASSERT_TRUE(FHost) << error;
  }
  std::unique_ptr<THostProcess> FHost;
};

}  // namespace

TEST_F(RealHost, AnswersTheDocumentedExchangeByteForByte) {
  const TExchange ex = RunExchange(*FHost, BuildRequest("NATIVEVERSION", {}, 3), Patient());
  ASSERT_TRUE(ex.Succeeded()) << ex.Failure;
  EXPECT_EQ(
      ex.Replies[0].Body,
      R"({"metoda":"NATIVEVERSION","result":{"data":"2","hasNextPart":0},"errNo":0,"tabID":3,"errMsg":""})");
  FHost->CloseInput();
  const auto status = FHost->WaitExit(60s);
  ASSERT_TRUE(status) << "the host did not end after its input was closed";
  EXPECT_EQ(DescribeExit(*status), "exit code 0");
}

TEST_F(RealHost, LongNonAsciiResultArrivesWholeInFramesABrowserTakes) {
  const TExchange ex =
      RunExchange(*FHost, BuildRequest("SIGNDETACHED", {"x", "21000000"}, 5), Patient());
  ASSERT_TRUE(ex.Succeeded()) << ex.Failure;
  EXPECT_GE(ex.Replies.size(), 3u);
  for (const TReply& r : ex.Replies) {
    EXPECT_TRUE(r.Problems.empty()) << r.Problems.front();
    EXPECT_LE(r.Body.size(), kBrowserReplyLimit);
    EXPECT_EQ(r.TabId, 5);
  }
  EXPECT_EQ(ex.Replies.back().HasNextPart, 0);
  EXPECT_TRUE(ex.Data == NonAsciiRun(1000000));
}

TEST_F(RealHost, DemoRunsItsTourAndTheHostEnds) {
  FHost.reset();
  FILE* demo = ::popen(DEMO_PATH " 2>&1", "r");
  ASSERT_NE(demo, nullptr);
  std::string out;
  char buf[4096];
  while (std::size_t n = std::fread(buf, 1, sizeof buf, demo)) out.append(buf, n);
  const int status = ::pclose(demo);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << out;
  for (const char* expected :
       {"metoda \"NATIVEVERSION\", tabID 1, errNo 0",
        "data: STANDIN-SIG:", "data reassembled from ", ": 1000000 code units",
        "metoda \"nativeversion\"", "errNo -31901, errMsg \"Unknown method name\"",
        "errNo -31909, errMsg \"Invalid communication\"",
        "after its input was closed, exit code 0"}) {
    EXPECT_NE(out.find(expected), std::string::npos) << expected << "\n---\n" << out;
  }
  EXPECT_EQ(out.find("PROBLEM"), std::string::npos) << out;
}
