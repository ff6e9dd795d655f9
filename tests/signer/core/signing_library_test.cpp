// The signing core in-process, with a PKCS#12 key and no token: what only a direct caller can
// set, and the shipped consent where no window can be shown.
#include "signing_library.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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
  tavrin::Answer AskPin(const tavrin::PinRequest&, tavrin::Secret& pin) override {
    pin.Append("file password");
    return tavrin::Answer::kAccepted;
  }
  tavrin::Answer Confirm(const tavrin::ConfirmRequest&) override {
    return tavrin::Answer::kCancelled;
  }
  tavrin::Answer ChooseFiles(const tavrin::FileChooserRequest&,
                             std::vector<std::string>&) override {
    return tavrin::Answer::kCancelled;
  }
  tavrin::Answer ConfirmFileRead(const tavrin::FileReadRequest&) override {
    return tavrin::Answer::kCancelled;
  }
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

}  // namespace
