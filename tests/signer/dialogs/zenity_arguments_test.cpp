#include "signer/dialogs/zenity_arguments.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace tavrin::dialogs {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

const TTexts& kEnglish = TextsFor(TLanguage::English);

// zenity's labels would otherwise swallow underscores, read "\n" as a line break or "<b>" as
// bold: a page must not be able to change what the dialog says.
TEST(ZenityArguments, LabelsShowTheTextLiterally) {
  struct TCase {
    const char* Text;
    const char* Mnemonic;
    const char* Markup;
  } const cases[] = {
      {"plain", "plain", "plain"},
      {"a_b", "a__b", "a_b"},
      {"a\\nb", "a\\\\nb", "a\\\\nb"},
      {"<b>&amp;</b>", "<b>&amp;</b>", "&lt;b&gt;&amp;amp;&lt;/b&gt;"},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(ForMnemonicLabel(c.Text), c.Mnemonic);
    EXPECT_EQ(ForMarkupLabel(c.Text), c.Markup);
  }
}

TEST(ZenityArguments, FiltersAreNamedPatternListsFollowedByAllFiles) {
  struct TCase {
    const char* Filter;
    std::vector<std::string> Expected;
  } const cases[] = {
      {"", {}},
      {"*.pdf", {"*.pdf", "All files | *"}},
      {"*.pdf; *.p7s", {"*.pdf *.p7s", "All files | *"}},
      {"PDF|*.pdf|Signatures|*.p7s;*.p7m",
       {"PDF | *.pdf", "Signatures | *.p7s *.p7m", "All files | *"}},
      {"PDF|", {"All files | *"}},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(FileFilters(c.Filter, kEnglish), c.Expected) << c.Filter;
  }
}

TEST(ZenityArguments, FileChooserStartsWhereTheTextsSay) {
  struct TCase {
    TFileChooserRequest Request;
    const char* Title;
    const char* Start;  // nullptr: no --filename
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
  for (const TCase& c : cases) {
    const TArguments args = FileChooserArguments(c.Request, "/home/jana", kEnglish);
    EXPECT_EQ(args[0], kZenity);
    EXPECT_THAT(args, Contains(c.Title));
    if (c.Start) {
      EXPECT_THAT(args, Contains(c.Start));
    } else {
      EXPECT_THAT(args, Not(Contains(::testing::StartsWith("--filename"))));
    }
    EXPECT_EQ(std::count(args.begin(), args.end(), "--multiple"), c.Request.Multiple ? 1 : 0);
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
  const std::vector<TCertificateSummary> same(2, {"--help", "CA", "2026-01-01", "2027-01-01", "T"});
  const TArguments args = CertificateChoiceArguments(same, 1, kEnglish);
  EXPECT_NE(CertificateItem(same, 0), CertificateItem(same, 1));
  EXPECT_THAT(args, Contains("--entry-text=2. --help \u2013 T"));
  const auto end = std::find(args.begin(), args.end(), "--");
  ASSERT_NE(end, args.end());
  EXPECT_THAT(std::vector<std::string>(end + 1, args.end()),
              ElementsAre("1. --help \u2013 T", "2. --help \u2013 T"));
}

}  // namespace
}  // namespace tavrin::dialogs
