// The stand-in signing library as an extension developer relies on it: every documented
// result, recomputed here from its documented formula.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "operations/ole_text.h"
#include "operations/uTavrinDLL.h"

namespace {

namespace fs = std::filesystem;

struct TResult {
  std::int32_t Status;
  std::u16string Text;
  std::u16string LastError;
};

class StandInLibraryTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    binding = std::make_unique<TTavrinBinding>(BindTavrinLibrary(FEROLANT_STANDIN_PATH));
  }
  static void TearDownTestSuite() { binding.reset(); }
  void SetUp() override {
    ASSERT_NE(binding->library, nullptr) << binding->error;
    ASSERT_EQ(Lib().SetCfgCodePageNumberW(1250), 0);
  }

  static const TTavrinFunctions& Lib() { return binding->library->functions; }

  static std::u16string LastError() {
    TOutBstr message(Lib().FreeString);
    Lib().GetLastErrorStrW(message.Out());
    return message.Text();
  }

  template <typename TCall>
  static TResult Call(TCall call) {
    TOutBstr out(Lib().FreeString);
    const std::int32_t status = call(out.Out());
    return {status, out.Text(), LastError()};
  }

  static TResult Sign(std::u16string_view text, std::int32_t number) {
    TInBstr in(text);
    return Call([&](TBstr* out) { return Lib().SignDetachedW(in.Get(), out, number); });
  }

  static std::unique_ptr<TTavrinBinding> binding;
};

std::unique_ptr<TTavrinBinding> StandInLibraryTest::binding;

// The documented digest: FNV-1a 64 over the bytes, then over the number's four bytes.
std::uint64_t Fnv(const std::string& bytes, std::int32_t number) {
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  std::string all = bytes;
  for (int i = 0; i < 4; ++i)
    all += static_cast<char>(static_cast<std::uint32_t>(number) >> (8 * i));
  for (unsigned char b : all) hash = (hash ^ b) * 0x100000001b3ULL;
  return hash;
}

std::u16string Hex(std::uint64_t value) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
  return std::u16string(text, text + 16);
}

std::u16string Widen(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

TEST_F(StandInLibraryTest, DetachedSignatureIsTheDocumentedFunctionOfTheExactText) {
  const std::u16string text = u"\u017dlu\u0165ou\u010dk\u00fd k\u016f\u0148 \U0001F600 <>&'/\u2028";
  std::string utf16le;
  for (char16_t unit : text) {
    utf16le += static_cast<char>(unit & 0xFF);
    utf16le += static_cast<char>(unit >> 8);
  }
  const TResult result = Sign(text, -7);
  EXPECT_EQ(result.Status, 0);
  EXPECT_EQ(result.Text, u"STANDIN-SIG:" + Hex(Fnv(utf16le, -7)) + u":" +
                             Widen(std::to_string(text.size())) + u":-7");
  EXPECT_EQ(result.LastError, u"");

  // The example the documentation gives.
  EXPECT_EQ(Sign(u"abc", 0).Text, u"STANDIN-SIG:70c0fa9adb31c2ad:3:0");
  // A single changed unit, an embedded U+0000 or another number give another signature.
  EXPECT_NE(Sign(u"abc", 0).Text, Sign(u"abd", 0).Text);
  EXPECT_NE(Sign(u"abc", 0).Text, Sign(u"abc", 1).Text);
  EXPECT_EQ(Sign(std::u16string(u"a\0b", 3), 0).Text.substr(28), u":3:0");
}

TEST_F(StandInLibraryTest, SerialNumberFollowsTheLastSignature) {
  const TResult signature = Sign(u"serial", 5);
  ASSERT_EQ(signature.Status, 0);
  std::u16string expected = signature.Text.substr(12, 16);
  for (char16_t& c : expected) {
    if (c >= u'a' && c <= u'f') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  const TResult serial = Call([](TBstr* out) { return Lib().GetLastCertSenderSignatureSNW(out); });
  EXPECT_EQ(serial.Status, 0);
  EXPECT_EQ(serial.Text, expected);
}

TEST_F(StandInLibraryTest, LongRunsComeFromTheNumberAlone) {
  const TResult ascii = Sign(u"", 10'000'030);
  EXPECT_EQ(ascii.Status, 0);
  EXPECT_EQ(ascii.Text, u"ABCDEFGHIJKLMNOPQRSTUVWXYZABCD");

  const TResult wide = Sign(u"x", 20'000'009);
  EXPECT_EQ(wide.Status, 0);
  EXPECT_EQ(wide.Text, u"\u010d\u0159\u00e1\u20ac\U0001F600\u017e\u010d\u0159");

  EXPECT_EQ(Sign(u"", 100'000'003).Text, u"ABC");
  EXPECT_EQ(Sign(u"", 1'000'000'002).Text, u"\u010d\u0159");
  EXPECT_EQ(Sign(u"", 30'000'000).Status, 2);  // between the ranges: an ordinary number

  const TResult big = Sign(u"x", 21'000'000);
  ASSERT_EQ(big.Text.size(), 1'000'000u);
  // The first block boundary of a reply falls between the halves of a surrogate pair.
  EXPECT_EQ(big.Text[449'999], 0xD83D);
  EXPECT_EQ(big.Text[450'000], 0xDE00);
}

TEST_F(StandInLibraryTest, LongRunsFollowTheirPatternToTheLastUnit) {
  // Lengths that end inside a round of the pattern, far past the first few rounds.
  for (const std::int32_t length : {26 * 5000 + 7, 300'001}) {
    const TResult ascii = Sign(u"", 100'000'000 + length);
    ASSERT_EQ(ascii.Text.size(), static_cast<std::size_t>(length));
    std::size_t wrong = 0;
    for (std::size_t i = 0; i < ascii.Text.size(); ++i) {
      wrong += ascii.Text[i] == static_cast<char16_t>(u'A' + i % 26) ? 0 : 1;
    }
    EXPECT_EQ(wrong, 0u) << "length " << length;
  }
  const std::u16string pattern = u"\u010d\u0159\u00e1\u20ac\U0001F600\u017e";
  const TResult wide = Sign(u"", 1'000'000'000 + 7 * 9000 + 5);
  ASSERT_EQ(wide.Text.size(), 7u * 9000 + 5);
  std::size_t wrong = 0;
  for (std::size_t i = 0; i < wide.Text.size(); ++i) {
    wrong += wide.Text[i] == pattern[i % 7] ? 0 : 1;
  }
  EXPECT_EQ(wrong, 0u);
  EXPECT_EQ(wide.Text.back(), 0xD83D);  // a high surrogate left alone at the end
}

TEST_F(StandInLibraryTest, SigningNothingFailsWithAReason) {
  const TResult result = Sign(u"", 0);
  EXPECT_EQ(result.Status, 2);
  EXPECT_EQ(result.Text, u"");
  EXPECT_EQ(result.LastError, u"Nothing to sign");
}

TEST_F(StandInLibraryTest, CodePageIsKeptAndOutOfRangeNumbersAreRefused) {
  std::uint16_t codePage = 0;
  EXPECT_EQ(Lib().SetCfgCodePageNumberW(852), 0);
  EXPECT_EQ(Lib().GetCfgCodePageNumberW(&codePage), 0);
  EXPECT_EQ(codePage, 852);

  EXPECT_EQ(Lib().SetCfgCodePageNumberW(0), 1);
  EXPECT_EQ(LastError(), u"Invalid code page number 0");
  EXPECT_EQ(Lib().SetCfgCodePageNumberW(65536), 1);
  codePage = 0;
  Lib().GetCfgCodePageNumberW(&codePage);
  EXPECT_EQ(codePage, 852);
}

TEST_F(StandInLibraryTest, CodePage65535PutsTheLibraryOutOfService) {
  ASSERT_EQ(Lib().SetCfgCodePageNumberW(65535), 0);
  const TResult about = Call([](TBstr* out) { return Lib().AboutW(out); });
  EXPECT_EQ(about.Status, 3);
  EXPECT_EQ(about.Text, u"");
  EXPECT_NE(about.LastError, u"");
  std::uint16_t codePage = 0;
  EXPECT_EQ(Lib().GetCfgCodePageNumberW(&codePage), 3);
  EXPECT_EQ(codePage, 65535);

  ASSERT_EQ(Lib().SetCfgCodePageNumberW(1250), 0);
  EXPECT_EQ(Call([](TBstr* out) { return Lib().AboutW(out); }).Status, 0);
}

TEST_F(StandInLibraryTest, HashSettersAcceptDifferentRanges) {
  EXPECT_EQ(Lib().SetCfgSignatureHashAlgorithmNumberW(9), 7);
  EXPECT_EQ(LastError(), u"Unsupported signature hash algorithm 9");
  EXPECT_EQ(Lib().SetCfgSignatureHashAlgorithmNumberW(4), 0);
  EXPECT_EQ(Lib().SetCfgSigningCertificateHashAlgorithmNumberW(4), 8);
  EXPECT_EQ(Lib().SetCfgSignatureHashAlgorithmNumberW(2), 0);
  EXPECT_EQ(Lib().SetCfgSigningCertificateHashAlgorithmNumberW(2), 0);
  EXPECT_EQ(LastError(), u"");
}

class StandInFileTest : public StandInLibraryTest {
 protected:
  void SetUp() override {
    StandInLibraryTest::SetUp();
    folder =
        fs::temp_directory_path() / ("ferolant-standin-" + std::to_string(std::random_device{}()));
    ASSERT_TRUE(fs::create_directory(folder));
  }
  void TearDown() override { fs::remove_all(folder); }

  // A file whose name holds non-ASCII letters, as the host hands such names over.
  std::u16string Write(const std::string& content) {
    const fs::path file = folder / std::u16string(u"p\u0159\u00edloha.bin");
    std::ofstream(file, std::ios::binary) << content;
    return file.u16string();
  }

  fs::path folder;
};

TEST_F(StandInFileTest, EncodesFileBytesAsBase64) {
  for (const auto& [content, base64] : {std::pair<std::string, std::u16string>{"Man", u"TWFu"},
                                        {"Ma", u"TWE="},
                                        {"M", u"TQ=="},
                                        {std::string("\0\xFF\x10", 3), u"AP8Q"},
                                        {"", u""}}) {
    TInBstr name(Write(content));
    const TResult result = Call([&](TBstr* out) { return Lib().EncodeFileW(name.Get(), out); });
    EXPECT_EQ(result.Status, 0);
    EXPECT_EQ(result.Text, base64);
  }
}

TEST_F(StandInFileTest, SignsFileBytes) {
  const std::string content("line\r\n\0end", 11);
  TInBstr name(Write(content));
  const TResult result =
      Call([&](TBstr* out) { return Lib().SignFileDetachedW(name.Get(), out, 3); });
  EXPECT_EQ(result.Status, 0);
  EXPECT_EQ(result.Text, u"STANDIN-FILESIG:" + Hex(Fnv(content, 3)) + u":11:3");
}

TEST_F(StandInFileTest, UnreadableOrMissingNamesFail) {
  TInBstr directory(folder.u16string());
  TInBstr missing(u"/nonexistent/file");
  for (const TInText name : {directory.Get(), missing.Get()}) {
    EXPECT_EQ(Call([&](TBstr* out) { return Lib().EncodeFileW(name, out); }).Status, 5);
    EXPECT_EQ(Call([&](TBstr* out) { return Lib().SignFileDetachedW(name, out, 0); }).Status, 5);
  }
  const TResult none = Call([](TBstr* out) { return Lib().EncodeFileW(nullptr, out); });
  EXPECT_EQ(none.Status, 2);
  EXPECT_EQ(none.LastError, u"No file name given");
}

TEST_F(StandInLibraryTest, FileDialogDescribesWhatItWasGiven) {
  TInBstr title(u"Vyberte soubor");
  TInBstr buffer(std::u16string(1'024'000, u' '));
  TInBstr filter(u"*.pdf");
  const TResult chosen = Call([&](TBstr* out) {
    return Lib().GetFileNameDlgW(title.Get(), buffer.Get(), filter.Get(), nullptr, 65538, out);
  });
  EXPECT_EQ(chosen.Status, 0);
  EXPECT_EQ(chosen.Text, u"mode=65538;lengths=14,1024000,5,0;spaces2=1024000;text1=Vyberte soubor");

  TInBstr cancel(u"cancel");
  const TResult cancelled = Call([&](TBstr* out) {
    return Lib().GetFileNameDlgW(cancel.Get(), nullptr, nullptr, nullptr, 0, out);
  });
  EXPECT_EQ(cancelled.Status, 4);
  EXPECT_EQ(cancelled.Text, u"");
  EXPECT_EQ(cancelled.LastError, u"The dialog was cancelled");
}

}  // namespace
