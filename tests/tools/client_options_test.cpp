// The client's command line: the requests it makes, and the usage errors it refuses.
#include <gtest/gtest.h>

#include "tools/client/options.h"

using namespace ferolant::client;

namespace {

TEST(ClientOptions, RequestsAreMadeInTheOrderGivenWithTheirTabIds) {
  const TClientOptions o = ParseOptions({"NATIVEVERSION",
                                         "-m",
                                         "SIGNDETACHED",
                                         "-p",
                                         "č",
                                         "-p",
                                         "0",
                                         "--body",
                                         "x",
                                         "{\"a\":1}",
                                         "--tab",
                                         "7",
                                         "ABOUT",
                                         "--host",
                                         "/h",
                                         "--show",
                                         "5",
                                         "--no-follow",
                                         "--strict",
                                         "-"},
                                        "/default");
  EXPECT_EQ(o.Config.Requests,
            (std::vector<std::string>{
                R"({"metoda":"NATIVEVERSION","parametry":{},"tabID":1})",
                R"({"metoda":"SIGNDETACHED","parametry":{"param1":"č","param2":"0"},"tabID":2})",
                "x", "{\"a\":1}", R"({"metoda":"ABOUT","parametry":{},"tabID":7})"}));
  EXPECT_EQ(o.Config.HostPath, "/h");
  EXPECT_EQ(o.Config.Report.Show, 5u);
  EXPECT_FALSE(o.Config.Exchange.FollowBlocks);
  EXPECT_TRUE(o.Config.Strict && o.ReadStdin && !o.Help);
  EXPECT_EQ(ParseOptions({}, "/default").Config.HostPath, "/default");
  EXPECT_TRUE(ParseOptions({"-h", "--bogus"}, "").Help);
}

TEST(ClientOptions, BadUsageIsNamed) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"-p", "x"}, "-p must follow -m"},
      {{"-m"}, "-m needs a method name"},
      {{"--bogus", "-h"}, "unknown option --bogus"},
      {{"--tab", "seven"}, "bad value for --tab: seven"},
      {{"--timeout"}, "--timeout needs seconds"},
  };
  for (const auto& [args, message] : cases) {
    try {
      ParseOptions(args, "");
      ADD_FAILURE() << message;
    } catch (const TUsageError& error) {
      EXPECT_EQ(error.what(), message);
    }
  }
}

}  // namespace
