#include "signer/dialogs/requester.h"

#include <gtest/gtest.h>

namespace tavrin::dialogs {
namespace {

TEST(Requester, NamedAsEachBrowserPassesIt) {
  struct TCase {
    std::vector<std::string> Arguments;
    const char* Expected;
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
  for (const TCase& c : cases) {
    EXPECT_EQ(RequesterFromArguments(c.Arguments), c.Expected);
  }
}

}  // namespace
}  // namespace tavrin::dialogs
