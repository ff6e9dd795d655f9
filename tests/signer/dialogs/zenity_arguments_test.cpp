#include "signer/dialogs/zenity_arguments.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace tavrin::dialogs {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

const Texts& kEnglish = TextsFor(Language::kEnglish);

// zenity's labels would otherwise swallow underscores, read "\n" as a line break or "<b>" as
// bold: a page must not be able to change what the dialog says.
TEST(ZenityArguments, LabelsShowTheTextLiterally) {
  struct Case {
    const char* text;
    const char* mnemonic;
    const char* markup;
  } const cases[] = {
      {"plain", "plain", "plain"},
      {"a_b", "a__b", "a_b"},
      {"a\\nb", "a\\\\nb", "a\\\\nb"},
      {"<b>&amp;</b>", "<b>&amp;</b>", "&lt;b&gt;&amp;amp;&lt;/b&gt;"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ForMnemonicLabel(c.text), c.mnemonic);
    EXPECT_EQ(ForMarkupLabel(c.text), c.markup);
  }
}

TEST(ZenityArguments, FiltersAreNamedPatternListsFollowedByAllFiles) {
  struct Case {
    const char* filter;
    std::vector<std::string> expected;
  } const cases[] = {
      {"", {}},
      {"*.pdf", {"*.pdf", "All files | *"}},
      {"*.pdf; *.p7s", {"*.pdf *.p7s", "All files | *"}},
      {"PDF|*.pdf|Signatures|*.p7s;*.p7m",
       {"PDF | *.pdf", "Signatures | *.p7s *.p7m", "All files | *"}},
      {"PDF|", {"All files | *"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FileFilters(c.filter, kEnglish), c.expected) << c.filter;
  }
}

TEST(ZenityArguments, FileChooserStartsWhereTheTextsSay) {
  struct Case {
    FileChooserRequest request;
    const char* title;
    const char* start;  // nullptr: no --filename
  } const cases[] = {
      {{"", "", "", "", false}, "--title=Ferolant \u2013 choose a file", nullptr},
      {{"Podpis", "a.pdf", "", "/tmp/x", false},
       "--title=Ferolant \u2013 file for the page: \u201cPodpis\u201d",
       "--filename=/tmp/x/a.pdf"},
      // The page's words never pass for the signer's own dialog.
      {{"Ferolant \u2013 confirm the signature\u202e", "", "", "/tmp/x/", true},
       "--title=Ferolant \u2013 file for the page: \u201cFerolant \u2013 confirm the "
       "signature[U+202E]\u201d",
       "--filename=/tmp/x/"},
      {{"", "docs/a.pdf", "", "", false},
       "--title=Ferolant \u2013 choose a file",
       "--filename=/home/jana/docs/a.pdf"},
  };
  for (const Case& c : cases) {
    const Arguments args = FileChooserArguments(c.request, "/home/jana", kEnglish);
    EXPECT_EQ(args[0], kZenity);
    EXPECT_THAT(args, Contains(c.title));
    if (c.start) {
      EXPECT_THAT(args, Contains(c.start));
    } else {
      EXPECT_THAT(args, Not(Contains(::testing::StartsWith("--filename"))));
    }
    EXPECT_EQ(std::count(args.begin(), args.end(), "--multiple"), c.request.multiple ? 1 : 0);
  }
}

// Enter alone never signs nor gives a file away.
TEST(ZenityArguments, QuestionsDefaultToCancel) {
  EXPECT_THAT(ConfirmArguments({}, "", kEnglish), Contains("--default-cancel"));
  EXPECT_THAT(FileReadArguments({"/etc/shadow", 1}, "", kEnglish), Contains("--default-cancel"));
}

// Items are compared with the answer, so no two certificates may share one, and a subject that
// looks like an option stays an item.
TEST(ZenityArguments, CertificateItemsAreDistinctAndNeverOptions) {
  const std::vector<CertificateSummary> same(2, {"--help", "CA", "2026-01-01", "2027-01-01", "T"});
  const Arguments args = CertificateChoiceArguments(same, 1, kEnglish);
  EXPECT_NE(CertificateItem(same, 0), CertificateItem(same, 1));
  EXPECT_THAT(args, Contains("--entry-text=2. --help \u2013 T"));
  const auto end = std::find(args.begin(), args.end(), "--");
  ASSERT_NE(end, args.end());
  EXPECT_THAT(std::vector<std::string>(end + 1, args.end()),
              ElementsAre("1. --help \u2013 T", "2. --help \u2013 T"));
}

}  // namespace
}  // namespace tavrin::dialogs
