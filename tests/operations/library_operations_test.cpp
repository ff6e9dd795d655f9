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
  std::vector<std::string> events;
  std::int32_t status = 0;
  std::int32_t firstSetterStatus = 0;
  std::u16string outText = u"result";
  std::u16string lastError = u"last error";
  std::optional<std::uint16_t> codePage;  // what GetCfgCodePageNumberW stores, if anything
  std::vector<TInCopy> inTexts;
  std::vector<std::int32_t> numbers;
  int allocated = 0;
  int freed = 0;
};
TFakeLibrary* fake = nullptr;

TInCopy Copy(TInText text) {
  if (text == nullptr) return std::nullopt;
  return std::u16string(text, platform::SysStringLen(text));
}

std::int32_t Return(TBstr* out, const std::u16string& text) {
  if (!text.empty()) {
    *out = platform::SysAllocStringLen(text.data(), static_cast<std::uint32_t>(text.size()));
    ++fake->allocated;
  }
  return fake->status;
}

std::int32_t Called(const std::string& name, std::int32_t number) {
  fake->events.push_back(name + " " + std::to_string(number));
  fake->numbers.push_back(number);
  return fake->status;
}

// Named functions rather than lambdas: only these take the library's calling convention.
std::int32_t FEROLANT_LIBCALL FakeAboutW(TBstr* out) {
  fake->events.push_back("AboutW");
  return Return(out, fake->outText);
}
std::int32_t FEROLANT_LIBCALL FakeGetLastErrorStrW(TBstr* out) {
  fake->events.push_back("GetLastErrorStrW");
  Return(out, fake->lastError);
  return 99;  // never looked at
}
std::int32_t FEROLANT_LIBCALL FakeGetCfgCodePageNumberW(std::uint16_t* codePage) {
  fake->events.push_back("GetCfgCodePageNumberW " + std::to_string(*codePage));
  if (fake->codePage) *codePage = *fake->codePage;
  return fake->status;
}
std::int32_t FEROLANT_LIBCALL FakeSetCfgCodePageNumberW(std::int32_t n) {
  return Called("SetCfgCodePageNumberW", n);
}
std::int32_t FEROLANT_LIBCALL FakeSetCfgSignatureHashAlgorithmNumberW(std::int32_t n) {
  Called("SetCfgSignatureHashAlgorithmNumberW", n);
  return fake->firstSetterStatus;
}
std::int32_t FEROLANT_LIBCALL FakeSetCfgSigningCertificateHashAlgorithmNumberW(std::int32_t n) {
  return Called("SetCfgSigningCertificateHashAlgorithmNumberW", n);
}
std::int32_t FEROLANT_LIBCALL FakeSignDetachedW(TInText text, TBstr* out, std::int32_t n) {
  fake->inTexts = {Copy(text)};
  Called("SignDetachedW", n);
  return Return(out, fake->outText);
}
std::int32_t FEROLANT_LIBCALL FakeSignFileDetachedW(TInText text, TBstr* out, std::int32_t n) {
  fake->inTexts = {Copy(text)};
  Called("SignFileDetachedW", n);
  return Return(out, fake->outText);
}
std::int32_t FEROLANT_LIBCALL FakeEncodeFileW(TInText text, TBstr* out) {
  fake->inTexts = {Copy(text)};
  fake->events.push_back("EncodeFileW");
  return Return(out, fake->outText);
}
std::int32_t FEROLANT_LIBCALL FakeGetLastCertSenderSignatureSNW(TBstr* out) {
  fake->events.push_back("GetLastCertSenderSignatureSNW");
  return Return(out, fake->outText);
}
std::int32_t FEROLANT_LIBCALL FakeGetFileNameDlgW(TInText t1, TInText t2, TInText t3, TInText t4,
                                                  std::int32_t mode, TBstr* out) {
  fake->inTexts = {Copy(t1), Copy(t2), Copy(t3), Copy(t4)};
  Called("GetFileNameDlgW", mode);
  return Return(out, fake->outText);
}
void FakeFreeString(TBstr text) noexcept {
  if (text != nullptr) ++fake->freed;
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
  std::int32_t errNo;
  std::u16string errMsg;
  std::u16string data;
};

class TRecordingHost final : public IOperationHost {
 public:
  TWideStrings params;
  std::vector<TReply> replies;
  bool failReply = false;

  const TWideStrings& Params() const override { return params; }
  void SendReply(std::int32_t errNo, std::u16string errMsg, std::u16string data) override {
    fake->events.push_back("SendReply");
    if (failReply) throw std::runtime_error("Stream write error");
    replies.push_back({errNo, std::move(errMsg), std::move(data)});
  }
  void SyncFixWind() override { fake->events.push_back("SyncFixWind"); }
};

class LibraryOperationsTest : public ::testing::Test {
 protected:
  void SetUp() override { fake = &library; }
  void TearDown() override {
    // Whatever the library handed out, the handler gave back.
    EXPECT_EQ(library.freed, library.allocated);
    fake = nullptr;
  }

  void Params(std::initializer_list<std::u16string> texts) {
    for (const auto& text : texts) host.params.AddItem(text);
  }

  const TReply& OnlyReply() {
    EXPECT_EQ(host.replies.size(), 1u);
    static const TReply none{};
    return host.replies.empty() ? none : host.replies.front();
  }

  TFakeLibrary library;
  TRecordingHost host;
  const TTavrinFunctions tavrin = FakeFunctions();
};

TEST_F(LibraryOperationsTest, InitAnswersOkOrErrButAlwaysPassesTheStatusOn) {
  operations::DoInit(host, tavrin);
  EXPECT_EQ(OnlyReply().errNo, 0);
  EXPECT_EQ(OnlyReply().data, u"OK");
  EXPECT_EQ(OnlyReply().errMsg, u"last error");
  EXPECT_THAT(library.events, ElementsAre("AboutW", "GetLastErrorStrW", "SendReply"));

  host.replies.clear();
  library.status = -5;
  library.lastError = u"Licence expired \u010d";
  operations::DoInit(host, tavrin);
  EXPECT_EQ(OnlyReply().errNo, -5);
  EXPECT_EQ(OnlyReply().errMsg, u"Licence expired \u010d");
  EXPECT_EQ(OnlyReply().data, u"ERR");
}

TEST_F(LibraryOperationsTest, TextResultsGoOutWhateverTheStatus) {
  library.status = 12;
  library.outText = u"partial \U0001F600";
  operations::DoAbout(host, tavrin);
  operations::DoGetLastCertSenderSignatureSN(host, tavrin);
  ASSERT_EQ(host.replies.size(), 2u);
  for (const TReply& reply : host.replies) {
    EXPECT_EQ(reply.errNo, 12);
    EXPECT_EQ(reply.errMsg, u"last error");
    EXPECT_EQ(reply.data, u"partial \U0001F600");
  }
  // A library that stores nothing leaves the texts empty.
  host.replies.clear();
  library.status = 0;
  library.outText.clear();
  library.lastError.clear();
  operations::DoAbout(host, tavrin);
  EXPECT_EQ(OnlyReply().data, u"");
  EXPECT_EQ(OnlyReply().errMsg, u"");
}

TEST_F(LibraryOperationsTest, FileNameDialogInModeTwoGetsTheSpaceBuffer) {
  Params({u"Title", u"abc", u"*.pdf", u"", u"2"});
  operations::DoGetFileNameDlg(host, tavrin);
  ASSERT_EQ(library.inTexts.size(), 4u);
  EXPECT_EQ(library.inTexts[0], u"Title");
  EXPECT_EQ(library.inTexts[1], std::u16string(1'024'000, u' '));
  EXPECT_EQ(library.inTexts[2], u"*.pdf");
  EXPECT_EQ(library.inTexts[3], std::nullopt);  // the empty text is a null pointer
  EXPECT_THAT(library.events,
              ElementsAre("SyncFixWind", "GetFileNameDlgW 2", "GetLastErrorStrW", "SendReply"));
  EXPECT_EQ(OnlyReply().data, u"result");
}

TEST_F(LibraryOperationsTest, FileNameDialogModeCountsOnlyItsLowSixteenBits) {
  Params({u"", u"abc", u"", u"", u"65538"});
  operations::DoGetFileNameDlg(host, tavrin);
  EXPECT_EQ(library.inTexts[1], std::u16string(1'024'000, u' '));
  EXPECT_EQ(library.numbers, std::vector<std::int32_t>{65538});

  // Without a fifth parameter the mode is 0 and text 2 goes through.
  host.params.ClearItems();
  Params({u"", u"abc"});
  operations::DoGetFileNameDlg(host, tavrin);
  EXPECT_EQ(library.inTexts,
            (std::vector<TInCopy>{std::nullopt, u"abc", std::nullopt, std::nullopt}));
  EXPECT_EQ(library.numbers.back(), 0);
}

TEST_F(LibraryOperationsTest, SigningReadsTextAndNumberAndWatchesForTheDialog) {
  Params({u"P\u0159\u00edloha \U0001F600 <>&'/", u"$1F"});
  operations::DoSignDetached(host, tavrin);
  EXPECT_EQ(library.inTexts[0], u"P\u0159\u00edloha \U0001F600 <>&'/");
  EXPECT_THAT(library.events,
              ElementsAre("SyncFixWind", "SignDetachedW 31", "GetLastErrorStrW", "SendReply"));

  library.events.clear();
  host.params.ClearItems();
  Params({u"/tmp/a.pdf"});  // a missing param2 reads as 0
  operations::DoSignFileDetached(host, tavrin);
  EXPECT_EQ(library.inTexts[0], u"/tmp/a.pdf");
  EXPECT_THAT(library.events,
              ElementsAre("SyncFixWind", "SignFileDetachedW 0", "GetLastErrorStrW", "SendReply"));

  // Nothing at all: a null text and 0.
  host.params.ClearItems();
  operations::DoSignDetached(host, tavrin);
  EXPECT_EQ(library.inTexts[0], std::nullopt);
  EXPECT_EQ(library.numbers.back(), 0);
}

TEST_F(LibraryOperationsTest, NumberParametersFollowTheNumberSyntax) {
  const std::pair<std::u16string, std::int32_t> cases[] = {
      {u"12", 12}, {u" -7", -7}, {u"$1F", 31},       {u"12 ", 0},
      {u"abc", 0}, {u"", 0},     {u"2147483648", 0}, {u"\u0661\u0662", 0}};
  for (const auto& [text, number] : cases) {
    host.params.ClearItems();
    Params({text});
    operations::DoSetCfgCodePageNumber(host, tavrin);
    EXPECT_EQ(library.numbers.back(), number) << Narrow(text);
  }
  for (const TReply& reply : host.replies) EXPECT_EQ(reply.data, u"");
}

TEST_F(LibraryOperationsTest, CodePageIsReadBackInDecimalWhateverTheStatus) {
  operations::DoGetCfgCodePageNumber(host, tavrin);
  EXPECT_EQ(OnlyReply().data, u"0");
  EXPECT_EQ(library.events.front(), "GetCfgCodePageNumberW 0");  // handed over as 0

  host.replies.clear();
  library.codePage = 65535;
  library.status = 3;
  operations::DoGetCfgCodePageNumber(host, tavrin);
  EXPECT_EQ(OnlyReply().errNo, 3);
  EXPECT_EQ(OnlyReply().data, u"65535");
}

TEST_F(LibraryOperationsTest, SecondHashSetterRunsOnlyAfterTheFirstSucceeded) {
  Params({u"4"});
  library.firstSetterStatus = 7;
  library.status = 8;
  operations::DoSetCfgSignatureHashAlgorithmNumber(host, tavrin);
  EXPECT_EQ(OnlyReply().errNo, 7);
  EXPECT_EQ(OnlyReply().data, u"");
  EXPECT_THAT(library.events, ElementsAre("SetCfgSignatureHashAlgorithmNumberW 4",
                                          "GetLastErrorStrW", "SendReply"));

  host.replies.clear();
  library.events.clear();
  library.firstSetterStatus = 0;
  operations::DoSetCfgSignatureHashAlgorithmNumber(host, tavrin);
  EXPECT_EQ(OnlyReply().errNo, 8);
  EXPECT_THAT(library.events, ElementsAre("SetCfgSignatureHashAlgorithmNumberW 4",
                                          "SetCfgSigningCertificateHashAlgorithmNumberW 4",
                                          "GetLastErrorStrW", "SendReply"));
}

TEST_F(LibraryOperationsTest, EncodeFilePassesTheNameWithoutWatching) {
  Params({u"  /tmp/with blanks  "});
  library.outText = u"TWFu";
  operations::DoEncodeFile(host, tavrin);
  EXPECT_EQ(library.inTexts[0], u"  /tmp/with blanks  ");
  EXPECT_EQ(OnlyReply().data, u"TWFu");
  EXPECT_THAT(library.events, ElementsAre("EncodeFileW", "GetLastErrorStrW", "SendReply"));
}

TEST_F(LibraryOperationsTest, ReturnedStringsAreFreedWhenTheReplyFails) {
  host.failReply = true;
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
  EXPECT_GT(library.allocated, 10);  // TearDown checks that every one was freed
}

}  // namespace
