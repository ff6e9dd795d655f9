// Arbitrary text made of the grammar's own characters: the reader answers
// every one of them with a value or an error code, in both modes, and its
// shortcuts leave exactly what its states alone leave.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/json/reader/reader_support.h"

namespace {

std::u16string RandomText(std::mt19937& random) {
  static constexpr char16_t kAlphabet[] = {
      u'{',  u'}',  u'[', u']',  u'(',  u')',      u':',      u',', u'.', u'"',
      u'\'', u'\\', u'/', u'*',  u'-',  u'+',      u'0',      u'1', u'9', u'e',
      u'E',  u'n',  u'u', u'l',  u't',  u'r',      u'f',      u'a', u's', u'x',
      u'b',  u'f',  u' ', u'\n', u'\0', u'\u00e9', u'\u0100', u'i', u'[', u']'};
  std::uniform_int_distribution<std::size_t> unit(0, std::size(kAlphabet) - 1);
  std::u16string text(std::uniform_int_distribution<std::size_t>(0, 24)(random), u' ');
  for (char16_t& c : text) c = kAlphabet[unit(random)];
  return text;
}

IJsonValue Identity(const IJsonValue&, const IJsonValue& param) { return param; }

IJsonValue Base() {
  IJsonValue base =
      ParseJson(u"{\"a\":{\"b\":[1,{\"c\":2}]},\"list\":[0,1,[2]],\"s\":\"t\",\"i\":1}");
  base->PutMethodValue(u"f", Identity);
  base->Get(u"list")->ArrayStore()->Append(TJsonValue::CreateMethod(nullptr));
  return base;
}

IJsonValue NoBase() { return nullptr; }
IJsonValue ArrayBase() { return ParseJson(u"[1,[2],{}]"); }
IJsonValue MethodBase() { return TJsonValue::CreateMethod(Identity); }

void ExpectShortcutsAgree(std::u16string_view text, IJsonValue (*makeBase)(),
                          TJsonPathActions actions = paNone, const IJsonValue& put = nullptr,
                          TJsonKind kind = skNull) {
  const std::string label(text.begin(), text.end());
  for (const bool bounded : {false, true}) {
    for (const bool strict : {false, true}) {
      const auto [fast, slow] = ReadBothWays(text, bounded, strict, makeBase, actions, put, kind);
      ASSERT_EQ(fast, slow) << label << (bounded ? " counted" : "") << (strict ? " strict" : "");
    }
  }
}

// Each shortcut at the edges where it declines or hands over: the texts of
// a line are cut at " | ", and \0 stands for U+0000.
TEST(JsonReaderShortcuts, LeaveWhatTheStatesLeave) {
  constexpr std::u16string_view kDocuments =
      uR"(null | nul | nullx | null1 | NULL | true  | false] | [tru
[true,fals] | [null,true,false] | {"a":null} | [nulls] | [true ] | [tru\0e]
"abc" | "abc | "a\"b" | "\u0041\x42\n" | "\u00G1" | "a\u12" | "a\x4" | 'q"q' | "" | "\ | "a\0b"
["a\u0041",1] | {"a":1} | {"a" :1} | {"a" | {"a": | {"\u0061":1} | {"":1} | {a:1} | {"a"x}
{'a':'b','c':[]} | {"a":1,"b":"c"} | [1,\0"a\0"] | 1 | - | 12.5e3  | 1.2345, | 1.23456]
[1,-2.50,3e] | [1 ,2] | [1/*c*/,2] | [1 | ["x"
[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[1,2]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]
[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[1]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]])";
  std::vector<std::u16string> documents(1);
  for (std::size_t i = 0; i < kDocuments.size(); ++i) {
    if (kDocuments.substr(i, 3) == u" | " || kDocuments[i] == u'\n') {
      documents.emplace_back();
      i += kDocuments[i] == u'\n' ? 0 : 2;
    } else if (kDocuments.substr(i, 2) == u"\\0") {
      documents.back() += u'\0';
      ++i;
    } else {
      documents.back() += kDocuments[i];
    }
  }
  ASSERT_EQ(documents.size(), 49u);
  for (const std::u16string_view text : documents) ExpectShortcutsAgree(text, NoBase);
  const std::u16string_view paths[] = {
      u"a.b[1]",          u"list[2][0]", u"s",   u"f(1,\"x\",null)",
      u"f(\"a\\u0041\")", u"a[\"b\"]",   u"123", u"null"};
  for (const std::u16string_view text : paths) {
    ExpectShortcutsAgree(text, Base, paCreate | paStore, TJsonValue::CreateInt(5), skObject);
  }
  ExpectShortcutsAgree(u"[1]", ArrayBase);
  ExpectShortcutsAgree(u"(true)", MethodBase, paCall);
}

TEST(JsonReaderRobustness, ArbitraryTextIsReadOrRefusedInBothModes) {
  std::mt19937 random(7);
  const TJsonPathActions actionSets[] = {paNone, paCreate, paCreate | paStore, paRemove, paCall};
  for (int round = 0; round < 20000; ++round) {
    const std::u16string text = RandomText(random);
    const std::string label(text.begin(), text.end());
    for (const bool strict : {false, true}) {
      const TReadOutcome document = RunReader(text, strict);
      EXPECT_LE(static_cast<std::size_t>(document.Offset), text.size() + 1) << label;
      // Without trailing text allowed, the reader may refuse more, never read otherwise.
      const IJsonValue whole = ParseText(text, strict, false, nullptr, paNone, nullptr, skNull);
      if (whole) {
        EXPECT_EQ(Json(whole), Json(document.Value)) << label;
      }
    }
    const TJsonPathActions actions = actionSets[round % std::size(actionSets)];
    const IJsonValue put = TJsonValue::CreateInt(round);
    RunReader(text, false, Base(), actions, put, skObject);
    RunReader(text, false, ParseJson(u"[1,[2],{}]"), actions, put, skArray);
    RunReader(text, false, TJsonValue::CreateMethod(Identity), actions, put, skNull);
    ExpectShortcutsAgree(text, NoBase);
    ExpectShortcutsAgree(text, Base, actions, put, skObject);
  }
}

}  // namespace
