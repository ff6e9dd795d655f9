#include "signer/dialogs/dialog_texts.h"

#include <gtest/gtest.h>

namespace tavrin::dialogs {
namespace {

TEST(DialogLanguage, FirstSetVariableDecidesAsTheCLibraryDoes) {
  struct TCase {
    const char* LcAll;
    const char* LcMessages;
    const char* Lang;
    TLanguage Expected;
  } const cases[] = {
      {nullptr, nullptr, "cs_CZ.UTF-8", TLanguage::Czech},
      {nullptr, nullptr, "cs", TLanguage::Czech},
      {nullptr, "cs_CZ@euro", "en_US.UTF-8", TLanguage::Czech},
      {"en_GB.UTF-8", "cs_CZ.UTF-8", "cs_CZ.UTF-8", TLanguage::English},
      {"", "", "cs_CZ.UTF-8", TLanguage::Czech},               // empty counts as unset
      {nullptr, nullptr, "csb_PL.UTF-8", TLanguage::English},  // Kashubian, not Czech
      {nullptr, nullptr, "C.UTF-8", TLanguage::English},
      {nullptr, nullptr, nullptr, TLanguage::English},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(LanguageOf(c.LcAll, c.LcMessages, c.Lang), c.Expected)
        << (c.LcAll ? c.LcAll : "-") << ' ' << (c.LcMessages ? c.LcMessages : "-") << ' '
        << (c.Lang ? c.Lang : "-");
  }
}

TEST(DialogTexts, DigitsAreGroupedAsEachLanguageWritesThem) {
  const TTexts& en = TextsFor(TLanguage::English);
  const TTexts& cs = TextsFor(TLanguage::Czech);
  EXPECT_EQ(GroupDigits(0, en), "0");
  EXPECT_EQ(GroupDigits(999, en), "999");
  EXPECT_EQ(GroupDigits(1000, en), "1,000");
  EXPECT_EQ(GroupDigits(4294967296, cs), "4 294 967 296");
}

// What a person reads about the signed text: the preview, and whenever anything is left out, "…"
// and how many characters are not shown.
TEST(DialogTexts, TextPreviewSaysWhenMoreFollows) {
  struct TCase {
    const char* Preview;
    std::uint64_t Length, Hidden;
    const char* Shown;
  } const cases[] = {
      {"Dobr\u00fd den", 9, 0, "\n\u201eDobr\u00fd den\u201c\n\n"},
      {"Dobr\u00fd den", 1834, 1825,
       "\n\u201eDobr\u00fd den\u2026\u201c\n(1,825 more characters are not shown)\n\n"},
      {"A \U0001F600", 3, 0, "\n\u201eA \U0001F600\u201c\n\n"},
  };
  const TCertificateSummary certificate{"Jana", "Test CA", "2026-01-01", "2027-01-01", "Token"};
  for (const TCase& c : cases) {
    TSigningSubject subject;
    subject.TextPreview = c.Preview;
    subject.TextLength = c.Length;
    subject.TextHidden = c.Hidden;
    const std::string text = DescribeRequest("chrome-extension://abc/", subject, certificate, false,
                                             TextsFor(TLanguage::English));
    EXPECT_NE(text.find(c.Shown), std::string::npos) << text;
  }
}

TEST(DialogTexts, RequestNamesAskerFileAndKey) {
  TSigningSubject file;
  file.FileName = "/home/jana/smlouva.pdf";
  file.FileSize = 1234567;
  file.FileDigest = "9f86d081884c7d65";
  const TCertificateSummary certificate{"Jana", "Test CA", "2026-01-01", "2027-01-01", "jana.p12"};
  EXPECT_EQ(DescribeRequest("", file, certificate, true, TextsFor(TLanguage::Czech)),
            "Nezn\u00e1m\u00e9 roz\u0161\u00ed\u0159en\u00ed \u017e\u00e1d\u00e1 o podpis souboru "
            "/home/jana/smlouva.pdf\n(1 234 567 bajt\u016f, SHA-256 9f86d081884c7d65\u2026)\n\n"
            "Certifik\u00e1t: Jana, vydal Test CA, platn\u00fd od 2026-01-01 do 2027-01-01\n"
            "Soubor s kl\u00ed\u010dem: jana.p12");
}

}  // namespace
}  // namespace tavrin::dialogs
