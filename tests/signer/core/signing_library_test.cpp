// The signing core in-process, with a PKCS#12 key and no token: what only a direct caller can
// set, and the shipped consent where no window can be shown.
#include "signer/signing_library.h"
#include "signer/secret.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <sys/stat.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace {

namespace fs = std::filesystem;

const fs::path kKeys = FEROLANT_SIGNER_TEST_KEYS;

class TPassword final : public tavrin::IConsent {
 public:
  tavrin::TAnswer ChooseCertificate(const std::vector<tavrin::TCertificateSummary>&, std::size_t,
                                    std::size_t&) override {
    return tavrin::TAnswer::Cancelled;
  }
  tavrin::TAnswer AskPin(const tavrin::TPinRequest& request, tavrin::TSecret& pin) override {
    Shown = request.Subject;
    if (WhileAsked) WhileAsked();
    pin.Append("file password");
    return tavrin::TAnswer::Accepted;
  }
  tavrin::TAnswer Confirm(const tavrin::TConfirmRequest&) override {
    return tavrin::TAnswer::Cancelled;
  }
  tavrin::TAnswer ChooseFiles(const tavrin::TFileChooserRequest&,
                              std::vector<std::string>& paths) override {
    paths = {Chosen};
    return tavrin::TAnswer::Accepted;
  }
  tavrin::TAnswer ConfirmFileRead(const tavrin::TFileReadRequest&) override {
    ++ReadsAsked;
    return GiveFile;
  }

  tavrin::TSigningSubject Shown;     // what the last dialog showed
  std::function<void()> WhileAsked;  // what happens while the dialog is open
  std::string Chosen;                // the file the person picks
  tavrin::TAnswer GiveFile = tavrin::TAnswer::Cancelled;
  int ReadsAsked = 0;
};

class SigningCore : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() / ("ferolant-signer-core-" + std::to_string(getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder / "config/ferolant/keys");
    fs::create_directories(folder / "tokens");
    fs::copy(kKeys / "file.p12", folder / "config/ferolant/keys/file.p12");
    std::ofstream(folder / "softhsm2.conf")
        << "directories.tokendir = " << (folder / "tokens").string() << "\n";
    setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
    setenv("SOFTHSM2_CONF", (folder / "softhsm2.conf").c_str(), 1);
  }
  void TearDown() override { fs::remove_all(folder); }

  // The signed attributes as OpenSSL prints them.
  std::string Printed(const std::string& base64) {
    std::ofstream(folder / "signature.b64") << base64;
    const std::string command = "openssl base64 -d -A -in '" + (folder / "signature.b64").string() +
                                "' | openssl cms -cmsout -print -inform DER";
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[4096];
    for (std::size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
      output.append(buffer, got);
    pclose(pipe);
    return output;
  }

  fs::path folder;
};

struct TCertificateHashCase {
  std::int32_t Number;
  const char* Attribute;  // the ESS attribute that must be there
  const char* Absent;     // and the one that must not
};

void PrintTo(const TCertificateHashCase& c, std::ostream* out) { *out << "number " << c.Number; }

class CertificateHash : public SigningCore,
                        public ::testing::WithParamInterface<TCertificateHashCase> {};

TEST_P(CertificateHash, ChoosesTheSigningCertificateAttribute) {
  tavrin::TSigningLibrary library(std::make_unique<TPassword>());
  ASSERT_TRUE(library.SetCertificateHash(GetParam().Number).Succeeded());
  std::string base64;
  const tavrin::TOutcome outcome = library.SignText(u"text", base64);
  ASSERT_TRUE(outcome.Succeeded()) << outcome.Sentence;
  const std::string printed = Printed(base64);
  EXPECT_NE(printed.find(GetParam().Attribute), std::string::npos) << printed;
  EXPECT_EQ(printed.find(GetParam().Absent), std::string::npos) << printed;
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, CertificateHash,
    ::testing::Values(TCertificateHashCase{1, "id-smime-aa-signingCertificateV2",
                                           "id-smime-aa-signingCertificate ("},
                      TCertificateHashCase{3, "id-smime-aa-signingCertificateV2",
                                           "id-smime-aa-signingCertificate ("},
                      TCertificateHashCase{4, "id-smime-aa-signingCertificate (",
                                           "signingCertificateV2"}));

// Where no window can be shown, the shipped consent asks nobody, and nothing is signed.
TEST_F(SigningCore, WithoutADisplayTheShippedConsentSignsNothing) {
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  tavrin::TSigningLibrary library(tavrin::MakeDialogConsent());
  std::string base64;
  EXPECT_EQ(library.SignText(u"text", base64).Status, tavrin::TStatus::NotAvailable);
  EXPECT_TRUE(base64.empty());
  std::string serial;
  EXPECT_EQ(library.LastSerial(serial).Status, tavrin::TStatus::NoSignatureYet);
}

// What is shown is what is signed: characters a label would hide appear as markers, a lone
// surrogate is refused, and a preview says how many characters it leaves out.
TEST_F(SigningCore, TheDialogShowsTheTextAsSigned) {
  const std::u16string nul(u"Pay 10 EUR to Alice.\0 I also transfer my house to Mallory.", 58);
  std::u16string emoji;
  for (int i = 0; i < 100; ++i) emoji += u"\U0001F600";
  emoji += std::u16string(98, u'a');
  struct TCase {
    std::u16string Text;
    tavrin::TStatus Status;
    std::string Preview;  // its end
    std::uint64_t Length, Hidden;
  } const cases[] = {
      {nul, tavrin::TStatus::Ok, "Alice.[U+0000] I also transfer my house to Mallory.", 58, 0},
      {emoji, tavrin::TStatus::Ok, "\U0001F600" + std::string(98, 'a'), 198, 0},
      {std::u16string(400, u'b'), tavrin::TStatus::Ok, std::string(300, 'b'), 400, 100},
      {u"\u202Efdp.exe\r\n\u2067x\u0085", tavrin::TStatus::Ok,
       "[U+202E]fdp.exe[U+000D]\n[U+2067]x[U+0085]", 13, 0},
      {u"a\xD800", tavrin::TStatus::UnrepresentableText, "", 0, 0},
  };
  for (const TCase& c : cases) {
    auto consent = std::make_unique<TPassword>();
    TPassword& person = *consent;
    tavrin::TSigningLibrary library(std::move(consent));
    std::string base64;
    EXPECT_EQ(library.SignText(c.Text, base64).Status, c.Status) << c.Preview;
    EXPECT_TRUE(person.Shown.TextPreview.ends_with(c.Preview)) << person.Shown.TextPreview;
    EXPECT_EQ(person.Shown.TextLength, c.Length);
    EXPECT_EQ(person.Shown.TextHidden, c.Hidden);
  }
}

// The file is hashed before the dialog, which shows the size and SHA-256 of what was read; what
// happens to the file while the dialog is open changes neither (through the host, the dialog
// tests check that the signature covers those bytes).
TEST_F(SigningCore, TheFileShownIsTheFileHashed) {
  std::ofstream(folder / "paper.txt") << "abc";
  auto consent = std::make_unique<TPassword>();
  TPassword& person = *consent;
  person.WhileAsked = [&] { std::ofstream(folder / "paper.txt") << "transfer my house"; };
  tavrin::TSigningLibrary library(std::move(consent));
  std::string base64;
  ASSERT_TRUE(library.SignFile((folder / "paper.txt").string(), base64).Succeeded());
  EXPECT_EQ(person.Shown.FileSize, 3u);
  EXPECT_EQ(person.Shown.FileDigest, "ba7816bf8f01cfea");  // SHA-256 of "abc"
}

// A page reads a file only when the person chose it in the file dialog or gives it in a dialog;
// never a key file.
TEST_F(SigningCore, EncodeFileReadsOnlyWhatThePersonGave) {
  const fs::path chosen = folder / "chosen.txt", other = folder / "other.txt";
  std::ofstream(chosen) << "abc";
  std::ofstream(other) << "abc";
  using tavrin::TAnswer, tavrin::TStatus;
  struct TCase {
    fs::path File;
    TAnswer Give;
    TStatus Status;
    int Asked;
  } const cases[] = {
      {chosen, TAnswer::Cancelled, TStatus::Ok, 0},
      {other, TAnswer::Cancelled, TStatus::Cancelled, 1},
      {other, TAnswer::Accepted, TStatus::Ok, 1},
      {other, TAnswer::Unavailable, TStatus::NotAvailable, 1},
      {folder / "config/ferolant/keys/file.p12", TAnswer::Accepted, TStatus::KeyFileNotGiven, 0},
  };
  for (const TCase& c : cases) {
    auto consent = std::make_unique<TPassword>();
    TPassword& person = *consent;
    person.Chosen = chosen.string();
    person.GiveFile = c.Give;
    tavrin::TSigningLibrary library(std::move(consent));
    std::vector<std::string> paths;
    library.ChooseFiles({}, paths);
    std::u16string out(8, u'\0');
    EXPECT_EQ(library.EncodeFile(c.File.string(), [&](std::size_t) { return out.data(); }).Status,
              c.Status)
        << c.File;
    EXPECT_EQ(person.ReadsAsked, c.Asked) << c.File;
  }
}

// A key file or key folder that someone else could have put there is not offered, and the
// sentence says why; without HOME there is no key folder at all.
TEST_F(SigningCore, KeyFilesMustBeThePersonsOwn) {
  const fs::path keys = folder / "config/ferolant/keys";
  const auto share = [&] {
    fs::rename(keys, folder / "shared");
    chmod((folder / "shared").c_str(), 01777);
    fs::create_directory_symlink(folder / "shared", keys);
  };
  const auto homeless = [] { unsetenv("XDG_CONFIG_HOME"), unsetenv("HOME"); };
  struct TCase {
    std::function<void()> Arrange;
    tavrin::TStatus Status;
    const char* Why;
  } const cases[] = {
      {[] {}, tavrin::TStatus::Ok, ""},
      {[&] { chmod(keys.c_str(), 0777); }, tavrin::TStatus::NoCertificate,
       "keys is not used: it can be written by other users"},
      {[&] { chmod((keys / "file.p12").c_str(), 0666); }, tavrin::TStatus::NoCertificate,
       "file.p12 is not used: it can be written by other users"},
      {share, tavrin::TStatus::NoCertificate, "it can be written by other users"},
      {homeless, tavrin::TStatus::NoCertificate, "there is no key folder"},
  };
  const std::string home = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "/root";
  for (const TCase& c : cases) {
    SetUp();
    c.Arrange();
    tavrin::TSigningLibrary library(std::make_unique<TPassword>());
    std::string base64;
    const tavrin::TOutcome outcome = library.SignText(u"text", base64);
    EXPECT_EQ(outcome.Status, c.Status) << outcome.Sentence;
    EXPECT_NE(outcome.Sentence.find(c.Why), std::string::npos) << outcome.Sentence;
    setenv("HOME", home.c_str(), 1);
  }
}

// PINs and passwords stay out of core dumps, and one longer than the buffer is not cut short.
TEST(Secret, LivesInMemoryLeftOutOfCoreDumpsAndIsNeverCut) {
  tavrin::TSecret secret;
  secret.Append(std::string(tavrin::TSecret::kCapacity + 1, '7'));
  EXPECT_TRUE(secret.Overlong());
  const auto address = reinterpret_cast<std::uintptr_t>(secret.View().data());
  std::ifstream maps("/proc/self/smaps");
  std::string flags;
  for (std::string line; flags.empty() && std::getline(maps, line);) {
    std::uintptr_t from = 0, to = 0;
    if (std::sscanf(line.c_str(), "%lx-%lx ", &from, &to) != 2 || address < from || address >= to)
      continue;
    while (std::getline(maps, line) && !line.starts_with("VmFlags:")) {
    }
    flags = line;
  }
  EXPECT_NE(flags.find(" dd"), std::string::npos) << flags;
}

}  // namespace
