// Arbitrary text made of the grammar's own characters: the reader answers
// every one of them with a value or an error code, in both modes.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "json/reader/reader_support.h"

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
  }
}

}  // namespace
