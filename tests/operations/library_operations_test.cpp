// The ten library operations against an in-process fake library that records every call and
// counts the system strings it hands out, and a host that records the reply.

#include "operations/library_operations.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "operations/WStrList.h"

namespace {

using ::testing::ElementsAre;

using TInCopy = std::optional<std::u16string>;  // nullopt: the library got a null pointer

std::string Narrow(const std::u16string& text) {
  std::string narrow;
  for (char16_t unit : text) narrow += unit < 0x80 ? static_cast<char>(unit) : '?';
  return narrow;
}

// The fake library. Its functions are plain C-style functions, so they reach their state
// through one global, set by the fixture.
struct TFakeLibrary {
  std::vector<std::string> Events;
  std::int32_t Status = 0;
  std::int32_t FirstSetterStatus = 0;
  std::u16string OutText = u"result";
  std::u16string LastError = u"last error";
  std::optional<std::uint16_t> CodePage;  // what GetCfgCodePageNumberW stores, if anything
  std::vector<TInCopy> InTexts;
  std::vector<std::int32_t> Numbers;
  int Allocated = 0;
  int Freed = 0;
};
TFakeLibrary* fake = nullptr;

TInCopy Copy(TInText text) {
  if (text == nullptr) return std::nullopt;
  return std::u16string(text, platform::SysStringLen(text));
}

std::int32_t Return(TBstr* out, const std::u16string& text) {
  if (!text.empty()) {
    *out = platform::SysAllocStringLen(text.data(), static_cast<std::uint32_t>(text.size()));
    ++fake->Allocated;
  }
  return fake->Status;
}

std::int32_t Called(const std::string& name, std::int32_t number) {
  fake->Events.push_back(name + " " + std::to_string(number));
  fake->Numbers.push_back(number);
  return fake->Status;
}

// Named functions rather than lambdas: only these take the library's calling convention.
std::int32_t FEROLANT_LIBCALL FakeAboutW(TBstr* out) {
  fake->Events.push_back("AboutW");
  return Return(out, fake->OutText);
}
std::int32_t FEROLANT_LIBCALL FakeGetLastErrorStrW(TBstr* out) {
  fake->Events.push_back("GetLastErrorStrW");
  Return(out, fake->LastError);
  return 99;  // never looked at
}
std::int32_t FEROLANT_LIBCALL FakeGetCfgCodePageNumberW(std::uint16_t* codePage) {
  fake->Events.push_back("GetCfgCodePageNumberW " + std::to_string(*codePage));
  if (fake->CodePage) *codePage = *fake->CodePage;
  return fake->Status;
}
std::int32_t FEROLANT_LIBCALL FakeSetCfgCodePageNumberW(std::int32_t n) {
  return Called("SetCfgCodePageNumberW", n);
}
std::int32_t FEROLANT_LIBCALL FakeSetCfgSignatureHashAlgorithmNumberW(std::int32_t n) {
  Called("SetCfgSignatureHashAlgorithmNumberW", n);
  return fake->FirstSetterStatus;
}
std::int32_t FEROLANT_LIBCALL FakeSetCfgSigningCertificateHashAlgorithmNumberW(std::int32_t n) {
  return Called("SetCfgSigningCertificateHashAlgorithmNumberW", n);
}
std::int32_t FEROLANT_LIBCALL FakeSignDetachedW(TInText text, TBstr* out, std::int32_t n) {
  fake->InTexts = {Copy(text)};
  Called("SignDetachedW", n);
  return Return(out, fake->OutText);
}
std::int32_t FEROLANT_LIBCALL FakeSignFileDetachedW(TInText text, TBstr* out, std::int32_t n) {
  fake->InTexts = {Copy(text)};
  Called("SignFileDetachedW", n);
  return Return(out, fake->OutText);
}
std::int32_t FEROLANT_LIBCALL FakeEncodeFileW(TInText text, TBstr* out) {
  fake->InTexts = {Copy(text)};
  fake->Events.push_back("EncodeFileW");
  return Return(out, fake->OutText);
}
std::int32_t FEROLANT_LIBCALL FakeGetLastCertSenderSignatureSNW(TBstr* out) {
  fake->Events.push_back("GetLastCertSenderSignatureSNW");
  return Return(out, fake->OutText);
}
std::int32_t FEROLANT_LIBCALL FakeGetFileNameDlgW(TInText t1, TInText t2, TInText t3, TInText t4,
                                                  std::int32_t mode, TBstr* out) {
  fake->InTexts = {Copy(t1), Copy(t2), Copy(t3), Copy(t4)};
  Called("GetFileNameDlgW", mode);
  return Return(out, fake->OutText);
}
void FakeFreeString(TBstr text) noexcept {
  if (text != nullptr) ++fake->Freed;
  platform::SysFreeString(text);
}

TTavrinFunctions FakeFunctions() {
  TTavrinFunctions f;
  f.AboutW = FakeAboutW;
  f.GetLastErrorStrW = FakeGetLastErrorStrW;
  f.GetCfgCodePageNumberW = FakeGetCfgCodePageNumberW;
  f.SetCfgCodePageNumberW = FakeSetCfgCodePageNumberW;
  f.SetCfgSignatureHashAlgorithmNumberW = FakeSetCfgSignatureHashAlgorithmNumberW;
  f.SetCfgSigningCertificateHashAlgorithmNumberW = FakeSetCfgSigningCertificateHashAlgorithmNumberW;
  f.SignDetachedW = FakeSignDetachedW;
  f.SignFileDetachedW = FakeSignFileDetachedW;
  f.EncodeFileW = FakeEncodeFileW;
  f.GetLastCertSenderSignatureSNW = FakeGetLastCertSenderSignatureSNW;
  f.GetFileNameDlgW = FakeGetFileNameDlgW;
  f.FreeString = FakeFreeString;
  return f;
}

struct TReply {
  std::int32_t ErrNo;
  std::u16string ErrMsg;
  std::u16string Data;
};

class TRecordingHost final : public IOperationHost {
 public:
  TWideStrings ParamList;
  std::vector<TReply> Replies;
  bool FailReply = false;

  const TWideStrings& Params() const override { return ParamList; }
  void SendReply(std::int32_t errNo, std::u16string errMsg, std::u16string data) override {
    fake->Events.push_back("SendReply");
    if (FailReply) throw std::runtime_error("Stream write error");
    Replies.push_back({errNo, std::move(errMsg), std::move(data)});
  }
  void SyncFixWind() override { fake->Events.push_back("SyncFixWind"); }
};

class LibraryOperationsTest : public ::testing::Test {
 protected:
  void SetUp() override { fake = &library; }
  void TearDown() override {
    // Whatever the library handed out, the handler gave back.
    EXPECT_EQ(library.Freed, library.Allocated);
    fake = nullptr;
  }

  void Params(std::initializer_list<std::u16string> texts) {
    for (const auto& text : texts) host.ParamList.AddItem(text);
  }

  const TReply& OnlyReply() {
    EXPECT_EQ(host.Replies.size(), 1u);
    static const TReply none{};
    return host.Replies.empty() ? none : host.Replies.front();
  }

  TFakeLibrary library;
  TRecordingHost host;
  const TTavrinFunctions tavrin = FakeFunctions();
};

TEST_F(LibraryOperationsTest, InitAnswersOkOrErrButAlwaysPassesTheStatusOn) {
  operations::DoInit(host, tavrin);
  EXPECT_EQ(OnlyReply().ErrNo, 0);
  EXPECT_EQ(OnlyReply().Data, u"OK");
  EXPECT_EQ(OnlyReply().ErrMsg, u"last error");
  EXPECT_THAT(library.Events, ElementsAre("AboutW", "GetLastErrorStrW", "SendReply"));

  host.Replies.clear();
  library.Status = -5;
  library.LastError = u"Licence expired \u010d";
  operations::DoInit(host, tavrin);
  EXPECT_EQ(OnlyReply().ErrNo, -5);
  EXPECT_EQ(OnlyReply().ErrMsg, u"Licence expired \u010d");
  EXPECT_EQ(OnlyReply().Data, u"ERR");
}

TEST_F(LibraryOperationsTest, TextResultsGoOutWhateverTheStatus) {
  library.Status = 12;
  library.OutText = u"partial \U0001F600";
  operations::DoAbout(host, tavrin);
  operations::DoGetLastCertSenderSignatureSN(host, tavrin);
  ASSERT_EQ(host.Replies.size(), 2u);
  for (const TReply& reply : host.Replies) {
    EXPECT_EQ(reply.ErrNo, 12);
    EXPECT_EQ(reply.ErrMsg, u"last error");
    EXPECT_EQ(reply.Data, u"partial \U0001F600");
  }
  // A library that stores nothing leaves the texts empty.
  host.Replies.clear();
  library.Status = 0;
  library.OutText.clear();
  library.LastError.clear();
  operations::DoAbout(host, tavrin);
  EXPECT_EQ(OnlyReply().Data, u"");
  EXPECT_EQ(OnlyReply().ErrMsg, u"");
}

TEST_F(LibraryOperationsTest, FileNameDialogInModeTwoGetsTheSpaceBuffer) {
  Params({u"Title", u"abc", u"*.pdf", u"", u"2"});
  operations::DoGetFileNameDlg(host, tavrin);
  ASSERT_EQ(library.InTexts.size(), 4u);
  EXPECT_EQ(library.InTexts[0], u"Title");
  EXPECT_EQ(library.InTexts[1], std::u16string(1'024'000, u' '));
  EXPECT_EQ(library.InTexts[2], u"*.pdf");
  EXPECT_EQ(library.InTexts[3], std::nullopt);  // the empty text is a null pointer
  EXPECT_THAT(library.Events,
              ElementsAre("SyncFixWind", "GetFileNameDlgW 2", "GetLastErrorStrW", "SendReply"));
  EXPECT_EQ(OnlyReply().Data, u"result");
}

TEST_F(LibraryOperationsTest, FileNameDialogModeCountsOnlyItsLowSixteenBits) {
  Params({u"", u"abc", u"", u"", u"65538"});
  operations::DoGetFileNameDlg(host, tavrin);
  EXPECT_EQ(library.InTexts[1], std::u16string(1'024'000, u' '));
  EXPECT_EQ(library.Numbers, std::vector<std::int32_t>{65538});

  // Without a fifth parameter the mode is 0 and text 2 goes through.
  host.ParamList.ClearItems();
  Params({u"", u"abc"});
  operations::DoGetFileNameDlg(host, tavrin);
  EXPECT_EQ(library.InTexts,
            (std::vector<TInCopy>{std::nullopt, u"abc", std::nullopt, std::nullopt}));
  EXPECT_EQ(library.Numbers.back(), 0);
}

TEST_F(LibraryOperationsTest, SigningReadsTextAndNumberAndWatchesForTheDialog) {
  Params({u"P\u0159\u00edloha \U0001F600 <>&'/", u"$1F"});
  operations::DoSignDetached(host, tavrin);
  EXPECT_EQ(library.InTexts[0], u"P\u0159\u00edloha \U0001F600 <>&'/");
  EXPECT_THAT(library.Events,
              ElementsAre("SyncFixWind", "SignDetachedW 31", "GetLastErrorStrW", "SendReply"));

  library.Events.clear();
  host.ParamList.ClearItems();
  Params({u"/tmp/a.pdf"});  // a missing param2 reads as 0
  operations::DoSignFileDetached(host, tavrin);
  EXPECT_EQ(library.InTexts[0], u"/tmp/a.pdf");
  EXPECT_THAT(library.Events,
              ElementsAre("SyncFixWind", "SignFileDetachedW 0", "GetLastErrorStrW", "SendReply"));

  // Nothing at all: a null text and 0.
  host.ParamList.ClearItems();
  operations::DoSignDetached(host, tavrin);
  EXPECT_EQ(library.InTexts[0], std::nullopt);
  EXPECT_EQ(library.Numbers.back(), 0);
}

TEST_F(LibraryOperationsTest, NumberParametersFollowTheNumberSyntax) {
  const std::pair<std::u16string, std::int32_t> cases[] = {
      {u"12", 12}, {u" -7", -7}, {u"$1F", 31},       {u"12 ", 0},
      {u"abc", 0}, {u"", 0},     {u"2147483648", 0}, {u"\u0661\u0662", 0}};
  for (const auto& [text, number] : cases) {
    host.ParamList.ClearItems();
    Params({text});
    operations::DoSetCfgCodePageNumber(host, tavrin);
    EXPECT_EQ(library.Numbers.back(), number) << Narrow(text);
  }
  for (const TReply& reply : host.Replies) EXPECT_EQ(reply.Data, u"");
}

TEST_F(LibraryOperationsTest, CodePageIsReadBackInDecimalWhateverTheStatus) {
  operations::DoGetCfgCodePageNumber(host, tavrin);
  EXPECT_EQ(OnlyReply().Data, u"0");
  EXPECT_EQ(library.Events.front(), "GetCfgCodePageNumberW 0");  // handed over as 0

  host.Replies.clear();
  library.CodePage = 65535;
  library.Status = 3;
  operations::DoGetCfgCodePageNumber(host, tavrin);
  EXPECT_EQ(OnlyReply().ErrNo, 3);
  EXPECT_EQ(OnlyReply().Data, u"65535");
}

TEST_F(LibraryOperationsTest, SecondHashSetterRunsOnlyAfterTheFirstSucceeded) {
  Params({u"4"});
  library.FirstSetterStatus = 7;
  library.Status = 8;
  operations::DoSetCfgSignatureHashAlgorithmNumber(host, tavrin);
  EXPECT_EQ(OnlyReply().ErrNo, 7);
  EXPECT_EQ(OnlyReply().Data, u"");
  EXPECT_THAT(library.Events, ElementsAre("SetCfgSignatureHashAlgorithmNumberW 4",
                                          "GetLastErrorStrW", "SendReply"));

  host.Replies.clear();
  library.Events.clear();
  library.FirstSetterStatus = 0;
  operations::DoSetCfgSignatureHashAlgorithmNumber(host, tavrin);
  EXPECT_EQ(OnlyReply().ErrNo, 8);
  EXPECT_THAT(library.Events, ElementsAre("SetCfgSignatureHashAlgorithmNumberW 4",
                                          "SetCfgSigningCertificateHashAlgorithmNumberW 4",
                                          "GetLastErrorStrW", "SendReply"));
}

TEST_F(LibraryOperationsTest, EncodeFilePassesTheNameWithoutWatching) {
  Params({u"  /tmp/with blanks  "});
  library.OutText = u"TWFu";
  operations::DoEncodeFile(host, tavrin);
  EXPECT_EQ(library.InTexts[0], u"  /tmp/with blanks  ");
  EXPECT_EQ(OnlyReply().Data, u"TWFu");
  EXPECT_THAT(library.Events, ElementsAre("EncodeFileW", "GetLastErrorStrW", "SendReply"));
}

TEST_F(LibraryOperationsTest, ReturnedStringsAreFreedWhenTheReplyFails) {
  host.FailReply = true;
  Params({u"text", u"1"});
  using THandler = void (*)(IOperationHost&, const TTavrinFunctions&);
  for (THandler handler :
       {THandler{operations::DoInit}, operations::DoAbout, operations::DoGetFileNameDlg,
        operations::DoSetCfgCodePageNumber, operations::DoGetCfgCodePageNumber,
        operations::DoSignDetached, operations::DoSignFileDetached,
        operations::DoSetCfgSignatureHashAlgorithmNumber,
        operations::DoGetLastCertSenderSignatureSN, operations::DoEncodeFile}) {
    EXPECT_THROW(handler(host, tavrin), std::runtime_error);
  }
  EXPECT_GT(library.Allocated, 10);  // TearDown checks that every one was freed
}

}  // namespace
