// The host with the signing library beside it, driven over the pipe as a browser drives it,
// against keys on a SoftHSM2 token and in PKCS#12 files made for the run. Signatures are
// checked by OpenSSL's own command line; every fault must leave the host serving.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "json/value/jsonvalue.h"
#include "platform/code_page.h"
#include "tests/support/child_process.h"
#include "tests/support/memory_streams.h"

namespace {

namespace fs = std::filesystem;

const fs::path kKeys = FEROLANT_SIGNER_TEST_KEYS;
constexpr char kRsa[] = "Ferolant Test RSA";
constexpr char kEc[] = "Ferolant Test EC";
// The key file keeps its certificate encrypted: it is shown by its name until opened.
constexpr char kFileName[] = "file.p12";

struct TReply {
  std::int64_t ErrNo = -1;
  std::string ErrMsg;
  std::string Data;
};

std::string Utf8(const std::u16string& text) { return platform::WideToThreadAnsi(text); }

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// The command's exit code and what it printed on standard output and error.
std::pair<int, std::string> Shell(const std::string& command) {
  std::string output;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  char buffer[4096];
  for (std::size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    output.append(buffer, got);
  const int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

// JSON string escapes for a request's parameters.
std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out;
}

struct TKeys {
  bool Token = true;
  std::vector<std::string> Files;  // PKCS#12 files put in the key folder
  bool PinAlwaysToken = false;     // the token whose key takes a PIN for each signature
  bool BrokenModules = false;      // modules that cannot sign, listed before SoftHSM
  bool Cards = false;              // OpenSC's module alone, for cards in PC/SC readers
};

class SignerHost : public ::testing::Test {
 protected:
  void Start(const TKeys& keys) {
    folder = fs::temp_directory_path() /
             ("ferolant-signer-" + std::to_string(getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());

    fs::remove_all(folder);
    fs::create_directories(folder / "tokens");
    if (keys.Token) {
      fs::copy(kKeys / "tokens", folder / "tokens", fs::copy_options::recursive);
    }
    if (keys.PinAlwaysToken) {
      fs::copy(kKeys / "always-tokens", folder / "tokens", fs::copy_options::recursive);
    }
    WriteFile(folder / "softhsm2.conf", "directories.tokendir = " + (folder / "tokens").string() +
                                            "\nobjectstore.backend = file\n");
    // The test's own modules only: SoftHSM behind OpenSC's call logger (to count logins).
    const std::string softhsm = Shell("cat " + Quoted(kKeys / "softhsm-module")).second;
    const fs::path spy = fs::path(softhsm).parent_path().parent_path() / "pkcs11/pkcs11-spy.so";
    std::string modules = spy.string();
    if (keys.Cards) modules = "opensc-pkcs11.so";
    if (keys.BrokenModules) {
      modules = std::string(FEROLANT_BROKEN_MODULES) + ":" + (folder / "none.so").string() + ":" +
                modules;
    }
    const fs::path keyFolder = folder / "config/ferolant/keys";
    fs::create_directories(keyFolder);
    for (const std::string& file : keys.Files) fs::copy(kKeys / file, keyFolder / file);

    setenv("HOME", (folder / "home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
    setenv("SOFTHSM2_CONF", (folder / "softhsm2.conf").c_str(), 1);
    setenv("FEROLANT_TEST_PKCS11_MODULES", modules.c_str(), 1);
    setenv("PKCS11SPY", softhsm.substr(0, softhsm.find('\n')).c_str(), 1);
    setenv("PKCS11SPY_OUTPUT", (folder / "calls.log").c_str(), 1);
    setenv("FEROLANT_TEST_CONSENT_FILE", (folder / "consent").c_str(), 1);
    setenv("FEROLANT_TEST_CONSENT_LOG", (folder / "consent.log").c_str(), 1);
    BeforeHost();
    if (HasFatalFailure() || IsSkipped()) return;
    host = std::make_unique<TChildProcess>(FEROLANT_SCRIPTED_HOST);
  }

  virtual void BeforeHost() {}

  void TearDown() override {
    if (host) {
      host->CloseInput();
      const auto status = host->WaitForExit();
      ASSERT_TRUE(status.has_value());
      EXPECT_TRUE(status->Exited);
      EXPECT_EQ(status->Code, 0);
    }
    AfterHost();
    if (!HasFailure()) fs::remove_all(folder);
  }

  virtual void AfterHost() {}

  // The person's answers for the next questions.
  void Answers(const std::string& lines) { WriteFile(folder / "consent", lines); }

  TReply Ask(const std::string& method, const std::vector<std::string>& params = {}) {
    std::string body = R"({"metoda":")" + method + R"(","parametry":{)";
    for (std::size_t i = 0; i < params.size(); ++i) {
      body += (i ? ",\"param" : "\"param") + std::to_string(i + 1) + "\":\"" + Escaped(params[i]) +
              "\"";
    }
    body += R"(},"tabID":7})";
    EXPECT_TRUE(host->Write(Frame(body)));
    const auto frame = host->ReadFrame();
    EXPECT_TRUE(frame.has_value()) << "no reply to " << method;
    const IJsonValue value = ParseJson(platform::ThreadAnsiToWide(frame.value_or("")));
    if (!value) return {};
    return {value->GetInt(u"errNo"), Utf8(value->GetText(u"errMsg")),
            Utf8(value->GetText(u"result.data"))};
  }

  // The signature checked against the content's exact bytes and the test CA; the CMS as
  // OpenSSL prints it.
  std::string Verified(const std::string& base64, const fs::path& content) {
    WriteFile(folder / "signature.b64", base64);
    const auto [decoded, decodeOutput] =
        Shell("openssl base64 -d -A -in " + Quoted(folder / "signature.b64") + " -out " +
              Quoted(folder / "signature.der"));
    EXPECT_EQ(decoded, 0) << decodeOutput;
    const auto [verified, output] =
        Shell("openssl cms -verify -binary -inform DER -in " + Quoted(folder / "signature.der") +
              " -content " + Quoted(content) + " -CAfile " + Quoted(kKeys / "ca.pem") +
              " -out /dev/null");
    EXPECT_EQ(verified, 0) << output;
    return Shell("openssl cms -cmsout -print -inform DER -in " + Quoted(folder / "signature.der"))
        .second;
  }

  std::string SerialOf(const std::string& certificate) {
    const std::string line =
        Shell("openssl x509 -serial -noout -in " + Quoted(kKeys / (certificate + ".pem"))).second;
    return line.substr(line.find('=') + 1, line.find('\n') - line.find('=') - 1);
  }

  std::string ConsentLog() { return ReadFile(folder / "consent.log"); }

  // How often the module's call log names `what`.
  std::size_t Calls(const std::string& what) {
    const std::string calls = ReadFile(folder / "calls.log");
    std::size_t count = 0;
    for (auto at = calls.find(what); at != std::string::npos; at = calls.find(what, at + 1)) {
      ++count;
    }
    return count;
  }

  fs::path folder;
  std::unique_ptr<TChildProcess> host;
};

struct TTextCase {
  const char* Name;
  const char* CodePage;
  const char* HashNumber;
  const char* Subject;
  const char* Certificate;  // its file in the test keys
  std::u16string Text;
  const char* DigestName;  // as OpenSSL prints it
  bool BrokenModules = false;
};

void PrintTo(const TTextCase& c, std::ostream* out) { *out << c.Name; }

class SignsText : public SignerHost, public ::testing::WithParamInterface<TTextCase> {};

TEST_P(SignsText, AsTheCodePagesBytesWithFourSignedAttributes) {
  const TTextCase& c = GetParam();
  Start({true, {"file.p12", "expired.p12"}, false, c.BrokenModules});
  Answers(std::string("choose=") + c.Subject +
          "\npin=" + (c.Subject == std::string(kFileName) ? "file password" : "1234") + "\n");
  ASSERT_EQ(Ask("SETCFGCODEPAGENUMBER", {c.CodePage}).ErrNo, 0);
  ASSERT_EQ(Ask("SETCFGSIGNATUREHASHALGORITHMNUMBER", {c.HashNumber}).ErrNo, 0);
  const TReply signature = Ask("SIGNDETACHED", {Utf8(c.Text)});
  ASSERT_EQ(signature.ErrNo, 0) << signature.ErrMsg;

  const auto bytes = platform::ConvertWideToCodePage(c.Text, std::stoi(c.CodePage));
  WriteFile(folder / "content", bytes.value());
  const std::string printed = Verified(signature.Data, folder / "content");
  for (const char* attribute : {"contentType", "signingTime", "messageDigest",
                                "id-smime-aa-signingCertificateV2", c.DigestName}) {
    EXPECT_NE(printed.find(attribute), std::string::npos) << attribute << " in\n" << printed;
  }
  const TReply serial = Ask("GETLASTCERTSENDERSIGNATURESN");
  EXPECT_EQ(serial.ErrNo, 0);
  EXPECT_EQ(serial.Data, SerialOf(c.Certificate));
  // Three certificates can sign (the expired one is not offered): the person chose.
  EXPECT_NE(ConsentLog().find("choose 3 "), std::string::npos) << ConsentLog();
}

INSTANTIATE_TEST_SUITE_P(
    Keys, SignsText,
    ::testing::Values(
        TTextCase{"Utf8RsaToken", "65001", "1", kRsa, "rsa",
                  u"P\u0159\u00edli\u0161 \u017elu\u0165ou\u010dk\u00fd k\u016f\u0148 \U0001F600",
                  "sha256"},
        TTextCase{
            "Cp1250EcToken", "1250", "2", kEc, "ec",
            u"P\u0159\u00edli\u0161 \u017elu\u0165ou\u010dk\u00fd k\u016f\u0148 \u00fap\u011bl",
            "sha384"},
        TTextCase{"Cp1252KeyFile", "1252", "3", kFileName, "file",
                  u"Gr\u00fc\u00dfe \u00e0 Paris \u20ac", "sha512"},
        // Modules that cannot load, initialise or list their slots are passed over.
        TTextCase{"BesideBrokenModules", "65001", "1", kEc, "ec", u"text", "sha256", true}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(SignerHost, SignsA64MiBFileWithAKeyFile) {
  Start({false, {"file.p12"}});
  Answers("pin=file password\n");
  {
    std::ofstream out(folder / "big.bin", std::ios::binary);
    std::string block(1 << 20, '\0');
    for (int i = 0; i < 64; ++i) {
      for (std::size_t j = 0; j < block.size(); ++j) block[j] = static_cast<char>(j * 31 + i);
      out << block;
    }
  }
  const TReply signature = Ask("SIGNFILEDETACHED", {(folder / "big.bin").string()});
  ASSERT_EQ(signature.ErrNo, 0) << signature.ErrMsg;
  Verified(signature.Data, folder / "big.bin");
  EXPECT_EQ(Ask("GETLASTCERTSENDERSIGNATURESN").Data, SerialOf("file"));
  // One certificate: no choice is asked for, the file's password is.
  EXPECT_EQ(ConsentLog(), "password for=file.p12 previousWrong=0 tries=?\n");
}

TEST_F(SignerHost, AWrongPinIsTriedOnceAndReportedThenTheNextAskSaysSo) {
  Start({true, {}});
  Answers(std::string("choose=") + kRsa + "\npin=0000\n");
  const TReply wrong = Ask("SIGNDETACHED", {"text"});
  EXPECT_EQ(wrong.ErrNo, 13);
  EXPECT_NE(wrong.ErrMsg.find("PIN for the token Ferolant Test is wrong"), std::string::npos)
      << wrong.ErrMsg;
  // The token counted the failure (SoftHSM keeps no number, only its "count low" flag), after
  // exactly one login.
  EXPECT_NE(wrong.ErrMsg.find("few tries are left"), std::string::npos) << wrong.ErrMsg;
  EXPECT_EQ(Calls("C_Login"), 1u);

  Answers(std::string("choose=") + kRsa + "\npin=1234\n");
  EXPECT_EQ(Ask("SIGNDETACHED", {"text"}).ErrNo, 0);
  EXPECT_NE(ConsentLog().find("pin for=Ferolant Test RSA previousWrong=1"), std::string::npos)
      << ConsentLog();
  EXPECT_NE(ConsentLog().find("preselected=Ferolant Test RSA"), std::string::npos);
}

// The token refuses a signature that has no login of its own; one PIN dialog serves both logins.
TEST_F(SignerHost, APinAlwaysKeyTakesOnePinForEachSignatureForBothLogins) {
  Start({false, {}, true});
  Answers("pin=1234\n");
  for (int i = 0; i < 2; ++i) {
    const TReply signature = Ask("SIGNDETACHED", {"text"});
    ASSERT_EQ(signature.ErrNo, 0) << signature.ErrMsg;
    WriteFile(folder / "content", "text");
    Verified(signature.Data, folder / "content");
  }
  EXPECT_EQ(ConsentLog(),
            "pin for=Ferolant Test PIN-always previousWrong=0 tries=?\n"
            "pin for=Ferolant Test PIN-always previousWrong=0 tries=?\n");
  EXPECT_EQ(Calls("C_Login"), 4u);
  EXPECT_EQ(Calls("CKU_CONTEXT_SPECIFIC"), 2u);

  Answers("pin=0000\n");
  EXPECT_EQ(Ask("SIGNDETACHED", {"text"}).ErrNo, 13);
  EXPECT_EQ(Calls("C_Login"), 5u);
}

struct TRequest {
  std::string Method;
  std::vector<std::string> Params;
};

struct TFaultCase {
  const char* Name;
  TKeys Keys;
  std::string Answers;
  std::vector<TRequest> Requests;  // the last one fails
  std::int64_t ErrNo;
  std::string Sentence;  // a part of the error text; "$" stands for the test's folder
};

void PrintTo(const TFaultCase& c, std::ostream* out) { *out << c.Name; }

class Fault : public SignerHost, public ::testing::WithParamInterface<TFaultCase> {};

TEST_P(Fault, IsAnsweredWithItsStatusAndSentenceWhileTheHostServesOn) {
  const TFaultCase& c = GetParam();
  Start(c.Keys);
  const auto expand = [&](std::string text) {
    for (auto at = text.find('$'); at != std::string::npos; at = text.find('$'))
      text.replace(at, 1, folder.string());
    return text;
  };
  Answers(expand(c.Answers));
  TReply reply;
  for (const TRequest& request : c.Requests) {
    std::vector<std::string> params;
    for (const std::string& param : request.Params) params.push_back(expand(param));
    reply = Ask(request.Method, params);
  }
  EXPECT_EQ(reply.ErrNo, c.ErrNo) << reply.ErrMsg;
  EXPECT_NE(reply.ErrMsg.find(expand(c.Sentence)), std::string::npos) << reply.ErrMsg;
  EXPECT_EQ(Ask("ABOUT").ErrNo, 0);
}

const std::string kEmoji = "Ahoj \xF0\x9F\x98\x80";
const std::string kRsaPin = std::string("choose=") + kRsa + "\npin=1234\n";

INSTANTIATE_TEST_SUITE_P(
    Signer, Fault,
    ::testing::Values(
        TFaultCase{"NoTokenNoKeyFile",
                   {false, {}},
                   "",
                   {{"SIGNDETACHED", {"x"}}},
                   11,
                   "No certificate with a private key was found"},
        TFaultCase{"OnlyAnExpiredCertificate",
                   {false, {"expired.p12"}},
                   "",
                   {{"SIGNDETACHED", {"x"}}},
                   12,
                   "No certificate that can sign: 1 expired on 2026-01-01"},
        TFaultCase{"CancelledPin",
                   {true, {}},
                   std::string("choose=") + kRsa + "\npin=cancel\n",
                   {{"SIGNDETACHED", {"x"}}},
                   4,
                   "cancelled"},
        TFaultCase{"CancelledChoice",
                   {true, {}},
                   "choose=cancel\n",
                   {{"SIGNDETACHED", {"x"}}},
                   4,
                   "cancelled"},
        TFaultCase{"NobodyToAsk",
                   {true, {}},
                   "",
                   {{"SIGNDETACHED", {"x"}}},
                   17,
                   "No window could be shown"},
        TFaultCase{"TokenGoneAfterThePin",
                   {true, {}},
                   kRsaPin + "remove=$/tokens\n",
                   {{"SIGNDETACHED", {"x"}}},
                   15,
                   "The token Ferolant Test is no longer available"},
        TFaultCase{"MissingFile",
                   {true, {}},
                   kRsaPin,
                   {{"SIGNFILEDETACHED", {"$/none"}}},
                   5,
                   "\"$/none\" cannot be read: it does not exist"},
        TFaultCase{
            "Folder", {true, {}}, kRsaPin, {{"SIGNFILEDETACHED", {"$"}}}, 5, "it is a folder"},
        // Unreadable whatever the test's user may read: the kernel refuses reads at its start.
        TFaultCase{"UnreadableFile",
                   {true, {}},
                   kRsaPin,
                   {{"SIGNFILEDETACHED", {"/proc/self/mem"}}},
                   5,
                   "\"/proc/self/mem\" cannot be read"},
        TFaultCase{"MissingFileToEncode",
                   {false, {}},
                   "",
                   {{"ENCODEFILE", {"$/none"}}},
                   5,
                   "does not exist"},
        TFaultCase{"TextThat1250CannotHold",
                   {true, {}},
                   kRsaPin,
                   {{"SETCFGCODEPAGENUMBER", {"1250"}}, {"SIGNDETACHED", {kEmoji}}},
                   3,
                   "character 6 (U+1F600)"},
        TFaultCase{"UnknownCodePage",
                   {false, {}},
                   "",
                   {{"SETCFGCODEPAGENUMBER", {"1251"}}},
                   1,
                   "Code page 1251 is not supported"},
        TFaultCase{"UnknownHash",
                   {false, {}},
                   "",
                   {{"SETCFGSIGNATUREHASHALGORITHMNUMBER", {"9"}}},
                   7,
                   "Signature hash algorithm 9 is unknown"},
        TFaultCase{"Sha1ForTheSignature",
                   {false, {}},
                   "",
                   {{"SETCFGSIGNATUREHASHALGORITHMNUMBER", {"4"}}},
                   10,
                   "SHA-1"},
        TFaultCase{"SerialBeforeAnySignature",
                   {false, {}},
                   "",
                   {{"GETLASTCERTSENDERSIGNATURESN", {}}},
                   6,
                   "No signature has been made yet"},
        TFaultCase{"FileDialog",
                   {false, {}},
                   "",
                   {{"GETFILENAMEDLG", {"Title", "", "", "", "0"}}},
                   17,
                   "not available"}),
    [](const auto& info) { return std::string(info.param.Name); });

// Cards through PC/SC: pcscd on a configuration of its own, with vpcd's virtual reader (two
// slots, on the port given and the next); an emulated PIV card in each slot that has one; OpenSC's
// module reading them. There is one pcscd per machine: a case waits for its lock, and ctest runs
// the cases one at a time.
constexpr int kVpcdPort = 35991;
const std::string kCardPin = "pin=123456\n";
const std::string kCardRsa = "choose=Ferolant Test RSA\n";
const std::string kCardEc = "choose=Ferolant Test EC\n";

struct TCardStep {
  std::string Answers;  // "$" stands for the test's folder
  std::int64_t ErrNo;
  std::string Sentence;      // a part of the error text
  std::string Asked;         // a part of the consent log after the step; "!..." must not be there
  bool InsertFirst = false;  // the first card goes into its slot before the request
};

struct TCardCase {
  const char* Name;
  int Tries;     // what the first card's PIN counter has left
  bool FirstIn;  // the first card is in its slot when the host starts
  bool Second;   // a second card in the second slot
  std::vector<TCardStep> Steps;
};

void PrintTo(const TCardCase& c, std::ostream* out) { *out << c.Name; }

class CardLife : public SignerHost, public ::testing::WithParamInterface<TCardCase> {
 protected:
  void BeforeHost() override {
    const TCardCase& c = GetParam();
    const std::string port = std::to_string(kVpcdPort);
    fs::create_directories(folder / "readers");
    WriteFile(folder / "readers/vpcd",
              "FRIENDLYNAME \"Ferolant test reader\"\nDEVICENAME /dev/null:" + port +
                  "\nLIBPATH " FEROLANT_VPCD_DRIVER "\nCHANNELID " + port + "\n");
    pcscd = Script("pcscd", "exec 9>/tmp/ferolant-pcscd.lock\nflock 9\n: > " +
                                Quoted(folder / "locked") + "\nexec pcscd --foreground --config " +
                                Quoted(folder / "readers") + " >" + Quoted(folder / "pcscd.log") +
                                " 2>&1\n");
    // Another run may hold pcscd for as long as it takes.
    while (!fs::exists(folder / "locked") && pcscd->Running()) Pause();
    PcscdRuns();
    if (IsSkipped()) return;
    if (c.FirstIn) WriteFile(folder / "card-a", "");
    cards.push_back(Card("card-a", 1, c.Tries, kVpcdPort, "rsa", "ec"));
    if (c.Second) {
      WriteFile(folder / "card-b", "");
      cards.push_back(Card("card-b", 2, 3, kVpcdPort + 1, "file", "always"));
    }
    if (c.FirstIn) Powered("card-a");
    if (c.Second) Powered("card-b");
  }

  void AfterHost() override {
    cards.clear();
    if (pcscd) {
      pcscd->SendSignal(SIGTERM);
      EXPECT_TRUE(pcscd->WaitForExit().has_value());
    }
  }

  static void Pause() { std::this_thread::sleep_for(std::chrono::milliseconds(20)); }

  std::unique_ptr<TChildProcess> Script(const std::string& name, const std::string& body) {
    const fs::path path = folder / (name + ".sh");
    WriteFile(path, "#!/bin/sh\n" + body);
    fs::permissions(path, fs::perms::owner_all);
    return std::make_unique<TChildProcess>(path.string());
  }

  std::unique_ptr<TChildProcess> Card(const std::string& name, int serial, int tries, int port,
                                      const std::string& rsa, const std::string& ec) {
    const auto key = [](const std::string& k) {
      return Quoted(kKeys / (k + ".key")) + " " + Quoted(kKeys / (k + ".pem"));
    };
    return Script(name, "exec /usr/bin/python3 " FEROLANT_PIV_CARD " --port " +
                            std::to_string(port) + " --present " + Quoted(folder / name) +
                            " --serial " + std::to_string(serial) + " --tries " +
                            std::to_string(tries) + " --rsa " + key(rsa) + " --ec " + key(ec) +
                            " >>" + Quoted(folder / (name + ".log")) + " 2>&1\n");
  }

  // Until pcscd has seen the card and powered it; skipped where pcscd cannot run.
  void Powered(const std::string& name) {
    const auto deadline = std::chrono::steady_clock::now() + kProcessTimeout;
    while (ReadFile(folder / (name + ".state")).find("powered") == std::string::npos) {
      PcscdRuns();
      if (IsSkipped()) return;
      ASSERT_LT(std::chrono::steady_clock::now(), deadline)
          << name << " was never powered; pcscd said: " << ReadFile(folder / "pcscd.log");
      Pause();
    }
  }

  void PcscdRuns() {
    if (!pcscd->Running()) {
      GTEST_SKIP() << "pcscd cannot start here, so no card can be read: "
                   << ReadFile(folder / "pcscd.log");
    }
  }

  void Insert(const std::string& name) {
    fs::remove(folder / (name + ".state"));
    WriteFile(folder / name, "");
    Powered(name);
  }

  std::unique_ptr<TChildProcess> pcscd;
  std::vector<std::unique_ptr<TChildProcess>> cards;
};

TEST_P(CardLife, IsAnsweredWithItsStatusAndSentenceWhileTheHostServesOn) {
  const TCardCase& c = GetParam();
  Start({false, {}, false, false, true});
  if (IsSkipped() || HasFatalFailure()) return;
  for (const TCardStep& step : c.Steps) {
    if (step.InsertFirst) Insert("card-a");
    if (IsSkipped() || HasFatalFailure()) return;
    std::string answers = step.Answers;
    for (auto at = answers.find('$'); at != std::string::npos; at = answers.find('$'))
      answers.replace(at, 1, folder.string());
    Answers(answers);
    const TReply reply = Ask("SIGNDETACHED", {"text"});
    EXPECT_EQ(reply.ErrNo, step.ErrNo) << reply.ErrMsg;
    if (step.ErrNo == 0 && reply.ErrNo == 0) {
      WriteFile(folder / "content", "text");
      Verified(reply.Data, folder / "content");
    }
    EXPECT_NE(reply.ErrMsg.find(step.Sentence), std::string::npos) << reply.ErrMsg;
    if (step.Asked.empty()) continue;
    if (step.Asked[0] == '!') {
      EXPECT_EQ(ConsentLog().find(step.Asked.substr(1)), std::string::npos) << ConsentLog();
    } else {
      EXPECT_NE(ConsentLog().find(step.Asked), std::string::npos) << ConsentLog();
    }
  }
  EXPECT_EQ(Ask("ABOUT").ErrNo, 0);
}

INSTANTIATE_TEST_SUITE_P(
    SmartCard, CardLife,
    ::testing::Values(
        TCardCase{"RsaOnThePivAuthenticationKey",
                  3,
                  true,
                  false,
                  {{kCardRsa + kCardPin, 0, "", "choose 2 "}}},
        // 9C takes a PIN for each signature: the card forgets the first one after signing.
        TCardCase{"EcOnThePinAlwaysSignatureKeyTwice",
                  3,
                  true,
                  false,
                  {{kCardEc + kCardPin, 0, "", ""}, {kCardEc + kCardPin, 0, "", ""}}},
        // The card answers 63 C1; the next dialog says one try is left.
        TCardCase{"WrongPin",
                  2,
                  true,
                  false,
                  {{kCardRsa + "pin=000000\n", 13, "one try is left before the PIN is locked",
                    "previousWrong=0 tries=?"},
                   {kCardRsa + kCardPin, 0, "", "previousWrong=1 tries=1"}}},
        TCardCase{"WrongPinOnTheLastTry",
                  1,
                  true,
                  false,
                  {{kCardRsa + "pin=000000\n", 14, "is locked; nothing was signed", "tries=1"}}},
        TCardCase{"LockedCard",
                  0,
                  true,
                  false,
                  {{kCardRsa + kCardPin, 14, "The PIN of the token Ferolant Test RSA is locked",
                    "!pin for"}}},
        TCardCase{"RemovedBetweenChoiceAndSignature",
                  3,
                  true,
                  false,
                  {{kCardRsa + kCardPin + "remove=$/card-a\n", 15,
                    "The token Ferolant Test RSA is no longer available", ""}}},
        TCardCase{"InsertedWhileTheHostRuns",
                  3,
                  false,
                  false,
                  {{kCardRsa + kCardPin, 11, "No certificate with a private key was found", ""},
                   {kCardRsa + kCardPin, 0, "", "choose 2 ", true}}},
        TCardCase{"SecondCardBesideTheFirst",
                  3,
                  true,
                  true,
                  {{"choose=Ferolant Test File\n" + kCardPin, 0, "", "choose 4 "}}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(SignerHost, EncodesAFileInStandardBase64) {
  Start({false, {}});
  Answers("read=yes\n");
  for (const std::string& content :
       {std::string(), std::string("\xff\x00\x01", 3), std::string(300'001, 'z')}) {
    WriteFile(folder / "plain", content);
    WriteFile(folder / "expected.b64", "");
    Shell("openssl base64 -A -in " + Quoted(folder / "plain") + " -out " +
          Quoted(folder / "expected.b64"));
    const TReply encoded = Ask("ENCODEFILE", {(folder / "plain").string()});
    EXPECT_EQ(encoded.ErrNo, 0);
    std::string expected = ReadFile(folder / "expected.b64");
    while (!expected.empty() && expected.back() == '\n') expected.pop_back();
    EXPECT_TRUE(encoded.Data == expected) << content.size() << " bytes";
  }
}

}  // namespace
