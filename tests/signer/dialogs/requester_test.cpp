#include "signer/dialogs/requester.h"

#include <gtest/gtest.h>

namespace tavrin::dialogs {
namespace {

TEST(Requester, NamedAsEachBrowserPassesIt) {
  struct Case {
    std::vector<std::string> arguments;
    const char* expected;
  } const cases[] = {
      {{"chrome-extension://abcdefghijklmnop/"}, "chrome-extension://abcdefghijklmnop/"},
      // Chromium on Windows adds the parent window after the origin.
      {{"chrome-extension://abc/", "--parent-window=0"}, "chrome-extension://abc/"},
      {{"/usr/lib/mozilla/native-messaging-hosts/cz.ferolant.json", "sign@ferolant.cz"},
       "sign@ferolant.cz"},
      {{}, ""},
      {{"chrome-extension://"}, ""},
      {{"notes.txt", "x"}, ""},
      {{"/etc/host.json", "--verbose"}, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RequesterFromArguments(c.arguments), c.expected);
  }
}

}  // namespace
}  // namespace tavrin::dialogs
