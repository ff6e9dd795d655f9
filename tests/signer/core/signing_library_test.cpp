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

class Password final : public tavrin::Consent {
 public:
  tavrin::Answer ChooseCertificate(const std::vector<tavrin::CertificateSummary>&, std::size_t,
                                   std::size_t&) override {
    return tavrin::Answer::kCancelled;
  }
  tavrin::Answer AskPin(const tavrin::PinRequest& request, tavrin::Secret& pin) override {
    shown = request.subject;
    if (whileAsked) whileAsked();
    pin.Append("file password");
    return tavrin::Answer::kAccepted;
  }
  tavrin::Answer Confirm(const tavrin::ConfirmRequest&) override {
    return tavrin::Answer::kCancelled;
  }
  tavrin::Answer ChooseFiles(const tavrin::FileChooserRequest&,
                             std::vector<std::string>& paths) override {
    paths = {chosen};
    return tavrin::Answer::kAccepted;
  }
  tavrin::Answer ConfirmFileRead(const tavrin::FileReadRequest&) override {
    ++readsAsked;
    return giveFile;
  }

  tavrin::SigningSubject shown;      // what the last dialog showed
  std::function<void()> whileAsked;  // what happens while the dialog is open
  std::string chosen;                // the file the person picks
  tavrin::Answer giveFile = tavrin::Answer::kCancelled;
  int readsAsked = 0;
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

struct CertificateHashCase {
  std::int32_t number;
  const char* attribute;  // the ESS attribute that must be there
  const char* absent;     // and the one that must not
};

void PrintTo(const CertificateHashCase& c, std::ostream* out) { *out << "number " << c.number; }

class CertificateHash : public SigningCore,
                        public ::testing::WithParamInterface<CertificateHashCase> {};

TEST_P(CertificateHash, ChoosesTheSigningCertificateAttribute) {
  tavrin::SigningLibrary library(std::make_unique<Password>());
  ASSERT_TRUE(library.SetCertificateHash(GetParam().number).ok());
  std::string base64;
  const tavrin::Outcome outcome = library.SignText(u"text", base64);
  ASSERT_TRUE(outcome.ok()) << outcome.sentence;
  const std::string printed = Printed(base64);
  EXPECT_NE(printed.find(GetParam().attribute), std::string::npos) << printed;
  EXPECT_EQ(printed.find(GetParam().absent), std::string::npos) << printed;
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, CertificateHash,
    ::testing::Values(CertificateHashCase{1, "id-smime-aa-signingCertificateV2",
                                          "id-smime-aa-signingCertificate ("},
                      CertificateHashCase{3, "id-smime-aa-signingCertificateV2",
                                          "id-smime-aa-signingCertificate ("},
                      CertificateHashCase{4, "id-smime-aa-signingCertificate (",
                                          "signingCertificateV2"}));

// Where no window can be shown, the shipped consent asks nobody, and nothing is signed.
TEST_F(SigningCore, WithoutADisplayTheShippedConsentSignsNothing) {
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  tavrin::SigningLibrary library(tavrin::MakeDialogConsent());
  std::string base64;
  EXPECT_EQ(library.SignText(u"text", base64).status, tavrin::Status::kNotAvailable);
  EXPECT_TRUE(base64.empty());
  std::string serial;
  EXPECT_EQ(library.LastSerial(serial).status, tavrin::Status::kNoSignatureYet);
}

// What is shown is what is signed: characters a label would hide appear as markers, a lone
// surrogate is refused, and a preview says how many characters it leaves out.
TEST_F(SigningCore, TheDialogShowsTheTextAsSigned) {
  const std::u16string nul(u"Pay 10 EUR to Alice.\0 I also transfer my house to Mallory.", 58);
  std::u16string emoji;
  for (int i = 0; i < 100; ++i) emoji += u"\U0001F600";
  emoji += std::u16string(98, u'a');
  struct Case {
    std::u16string text;
    tavrin::Status status;
    std::string preview;  // its end
    std::uint64_t length, hidden;
  } const cases[] = {
      {nul, tavrin::Status::kOk, "Alice.[U+0000] I also transfer my house to Mallory.", 58, 0},
      {emoji, tavrin::Status::kOk, "\U0001F600" + std::string(98, 'a'), 198, 0},
      {std::u16string(400, u'b'), tavrin::Status::kOk, std::string(300, 'b'), 400, 100},
      {u"\u202Efdp.exe\r\n\u2067x\u0085", tavrin::Status::kOk,
       "[U+202E]fdp.exe[U+000D]\n[U+2067]x[U+0085]", 13, 0},
      {u"a\xD800", tavrin::Status::kUnrepresentableText, "", 0, 0},
  };
  for (const Case& c : cases) {
    auto consent = std::make_unique<Password>();
    Password& person = *consent;
    tavrin::SigningLibrary library(std::move(consent));
    std::string base64;
    EXPECT_EQ(library.SignText(c.text, base64).status, c.status) << c.preview;
    EXPECT_TRUE(person.shown.textPreview.ends_with(c.preview)) << person.shown.textPreview;
    EXPECT_EQ(person.shown.textLength, c.length);
    EXPECT_EQ(person.shown.textHidden, c.hidden);
  }
}

// The file is hashed before the dialog, which shows the size and SHA-256 of what was read; what
// happens to the file while the dialog is open changes neither (through the host, the dialog
// tests check that the signature covers those bytes).
TEST_F(SigningCore, TheFileShownIsTheFileHashed) {
  std::ofstream(folder / "paper.txt") << "abc";
  auto consent = std::make_unique<Password>();
  Password& person = *consent;
  person.whileAsked = [&] { std::ofstream(folder / "paper.txt") << "transfer my house"; };
  tavrin::SigningLibrary library(std::move(consent));
  std::string base64;
  ASSERT_TRUE(library.SignFile((folder / "paper.txt").string(), base64).ok());
  EXPECT_EQ(person.shown.fileSize, 3u);
  EXPECT_EQ(person.shown.fileDigest, "ba7816bf8f01cfea");  // SHA-256 of "abc"
}

// A page reads a file only when the person chose it in the file dialog or gives it in a dialog;
// never a key file.
TEST_F(SigningCore, EncodeFileReadsOnlyWhatThePersonGave) {
  const fs::path chosen = folder / "chosen.txt", other = folder / "other.txt";
  std::ofstream(chosen) << "abc";
  std::ofstream(other) << "abc";
  using tavrin::Answer, tavrin::Status;
  struct Case {
    fs::path file;
    Answer give;
    Status status;
    int asked;
  } const cases[] = {
      {chosen, Answer::kCancelled, Status::kOk, 0},
      {other, Answer::kCancelled, Status::kCancelled, 1},
      {other, Answer::kAccepted, Status::kOk, 1},
      {other, Answer::kUnavailable, Status::kNotAvailable, 1},
      {folder / "config/ferolant/keys/file.p12", Answer::kAccepted, Status::kKeyFileNotGiven, 0},
  };
  for (const Case& c : cases) {
    auto consent = std::make_unique<Password>();
    Password& person = *consent;
    person.chosen = chosen.string();
    person.giveFile = c.give;
    tavrin::SigningLibrary library(std::move(consent));
    std::vector<std::string> paths;
    library.ChooseFiles({}, paths);
    std::u16string out(8, u'\0');
    EXPECT_EQ(library.EncodeFile(c.file.string(), [&](std::size_t) { return out.data(); }).status,
              c.status)
        << c.file;
    EXPECT_EQ(person.readsAsked, c.asked) << c.file;
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
  struct Case {
    std::function<void()> arrange;
    tavrin::Status status;
    const char* why;
  } const cases[] = {
      {[] {}, tavrin::Status::kOk, ""},
      {[&] { chmod(keys.c_str(), 0777); }, tavrin::Status::kNoCertificate,
       "keys is not used: it can be written by other users"},
      {[&] { chmod((keys / "file.p12").c_str(), 0666); }, tavrin::Status::kNoCertificate,
       "file.p12 is not used: it can be written by other users"},
      {share, tavrin::Status::kNoCertificate, "it can be written by other users"},
      {homeless, tavrin::Status::kNoCertificate, "there is no key folder"},
  };
  const std::string home = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "/root";
  for (const Case& c : cases) {
    SetUp();
    c.arrange();
    tavrin::SigningLibrary library(std::make_unique<Password>());
    std::string base64;
    const tavrin::Outcome outcome = library.SignText(u"text", base64);
    EXPECT_EQ(outcome.status, c.status) << outcome.sentence;
    EXPECT_NE(outcome.sentence.find(c.why), std::string::npos) << outcome.sentence;
    setenv("HOME", home.c_str(), 1);
  }
}

// PINs and passwords stay out of core dumps, and one longer than the buffer is not cut short.
TEST(Secret, LivesInMemoryLeftOutOfCoreDumpsAndIsNeverCut) {
  tavrin::Secret secret;
  secret.Append(std::string(tavrin::Secret::kCapacity + 1, '7'));
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
