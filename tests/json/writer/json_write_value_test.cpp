// Serialising values: the text forms, cycles, Busy marks and the entry points.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "json/value/jsonvalue.h"
#include "json/writer/json_byte_stream.h"
#include "json/writer/json_writer.h"

namespace {

IJsonValue Object() { return TJsonValue::Create(skObject); }
IJsonValue Array() { return TJsonValue::Create(skArray); }

std::u16string Compact(const IJsonValue& value, bool escape = true) {
  return value->ToJsonText(false, escape);
}
std::u16string Indented(const IJsonValue& value, bool escape = true) {
  return value->ToJsonText(true, escape);
}

IJsonValue Dummy(const IJsonValue&, const IJsonValue&) { return {}; }

// A sink that throws once it has taken a given number of appends.
class TThrowingWriter final : public TJsonWriter {
 public:
  explicit TThrowingWriter(int appends) : FLeft(appends) {}
  std::int32_t AppendChars(const char16_t*, std::int32_t count) override {
    if (FLeft-- == 0) throw std::runtime_error("sink gone");
    return count;
  }
  std::int32_t AppendText(const char16_t* text) override {
    return AppendChars(text, ZeroTerminatedLength(text));
  }
  void ResetOutput() override {}

 private:
  int FLeft;
};

TEST(JsonWriteValue, ScalarsAndEmptyContainers) {
  EXPECT_EQ(Compact(TJsonValue::Create(skNull)), u"null");
  EXPECT_EQ(Compact(TJsonValue::CreateBool(true)), u"true");
  EXPECT_EQ(Compact(TJsonValue::CreateBool(false)), u"false");
  EXPECT_EQ(Compact(TJsonValue::CreateInt(-5)), u"-5");
  EXPECT_EQ(Compact(TJsonValue::CreateInt(0)), u"0");
  EXPECT_EQ(Compact(TJsonValue::CreateFloat(0.1)), u"0.1");
  EXPECT_EQ(Compact(TJsonValue::CreateFloat(1e15)), u"1E15");
  EXPECT_EQ(Compact(TJsonValue::CreateMoney(TJsonCurrency::FromUnits(15000))), u"1.5");
  EXPECT_EQ(Compact(TJsonValue::CreateMoney(TJsonCurrency::FromUnits(1))), u"0.0001");
  for (bool indent : {false, true}) {
    EXPECT_EQ(Object()->ToJsonText(indent, true), u"{}");
    EXPECT_EQ(Array()->ToJsonText(indent, false), u"[]");
  }
  EXPECT_EQ(TJsonValue::CreateMethod(&Dummy)->ToJsonText(false, true), u"");
}

TEST(JsonWriteValue, StringsAndMemberNamesAreEscapedAlike) {
  IJsonValue object = Object();
  object->MemberTable()->Store(u"\u00e9/", TJsonValue::CreateText(u"\u00e9/\n"));
  EXPECT_EQ(Compact(object, true), u"{\"\\u00e9\\/\":\"\\u00e9\\/\\n\"}");
  EXPECT_EQ(Compact(object, false), u"{\"\u00e9/\":\"\u00e9/\n\"}");

  const IJsonValue zero = TJsonValue::CreateText(std::u16string_view(u"a\0b", 3));
  EXPECT_EQ(Compact(zero, true), u"\"a\\u0000b\"");
  EXPECT_EQ(Compact(zero, false), u"\"a\\u0000b\"");
  EXPECT_EQ(zero->ToText(), std::u16string_view(u"a\0b", 3));
}

TEST(JsonWriteValue, ReplyEnvelopeIsWrittenInMemberTableOrder) {
  IJsonValue reply = ParseJson(u"{}");
  IJsonValue result = ParseJson(u"{}");
  reply->PutInt(u"tabID", 3);
  reply->PutText(u"metoda", u"NATIVEVERSION");
  reply->PutInt(u"errNo", 0);
  reply->PutText(u"errMsg", u"");
  result->PutInt(u"hasNextPart", 0);
  result->PutText(u"data", u"2");
  reply->Put(u"result", result);
  EXPECT_EQ(Compact(reply),
            u"{\"metoda\":\"NATIVEVERSION\",\"result\":{\"data\":\"2\",\"hasNextPart\":0},"
            u"\"errNo\":0,\"tabID\":3,\"errMsg\":\"\"}");
  EXPECT_EQ(reply->MeasureJson(false, true), static_cast<std::int32_t>(Compact(reply).size()));
}

TEST(JsonWriteValue, IndentBreaksObjectsPerMemberAndArraysOnce) {
  IJsonValue object = Object();
  IJsonValue list = Array();
  list->ArrayStore()->Append(TJsonValue::CreateInt(1));
  list->ArrayStore()->Append(TJsonValue::CreateInt(2));
  object->Put(u"k", list);
  const std::u16string text = Indented(object);
  EXPECT_EQ(text, u"{\r\n \"k\": [\r\n  1,2]\r\n}");
  EXPECT_EQ(text.size(), 21u);
  EXPECT_EQ(Compact(object), u"{\"k\":[1,2]}");

  // Nested objects indent one space per level and close at their own level.
  IJsonValue outer = Object();
  IJsonValue inner = Object();
  inner->PutBool(u"b", true);
  outer->Put(u"a", inner);
  EXPECT_EQ(Indented(outer), u"{\r\n \"a\": {\r\n  \"b\": true\r\n }\r\n}");
  // An array of objects: the objects follow the one break after "[".
  IJsonValue rows = Array();
  rows->ArrayStore()->Append(inner);
  rows->ArrayStore()->Append(inner);
  EXPECT_EQ(Indented(rows), u"[\r\n {\r\n  \"b\": true\r\n },{\r\n  \"b\": true\r\n }]");
}

TEST(JsonWriteValue, IndentKeepsCountingBeyondAHundredLevels) {
  IJsonValue root = Array();
  IJsonValue leaf = root;
  for (int i = 1; i < 200; ++i) {
    IJsonValue next = Array();
    leaf->ArrayStore()->Append(next);
    leaf = next;
  }
  leaf->ArrayStore()->Append(TJsonValue::CreateInt(7));
  const std::u16string text = Indented(root);
  const std::u16string tail =
      u"\r\n" + std::u16string(200, u' ') + u"7" + std::u16string(200, u']');
  ASSERT_GE(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
}

TEST(JsonWriteValue, NestingFarDeeperThanTheMachineStackIsWritten) {
  constexpr int kDepth = 100000;
  std::vector<IJsonValue> chain;
  chain.reserve(kDepth);
  chain.push_back(Array());
  for (int i = 1; i < kDepth; ++i) {
    chain.push_back(Array());
    chain[i - 1]->ArrayStore()->Append(chain[i]);
  }
  const std::u16string text = Compact(chain.front());
  EXPECT_EQ(text, std::u16string(kDepth, u'[').append(kDepth, u']').replace(kDepth - 1, 2, u"[]"));
  EXPECT_EQ(chain.front()->MeasureJson(false, true), 2 * kDepth);
  // Unlink level by level, so that releasing the chain does not recurse either.
  for (const IJsonValue& link : chain) link->ArrayStore()->RemoveAllItems(false);
}

TEST(JsonWriteValue, EmptySlotsAndMembersWithoutValueWriteNull) {
  IJsonValue list = Array();
  list->ArrayStore()->SetItemAt(2, TJsonValue::CreateText(u"x"));
  EXPECT_EQ(Compact(list), u"[null,null,\"x\"]");

  IJsonValue object = Object();
  object->MemberTable()->Store(u"a", IJsonValue());
  EXPECT_EQ(Compact(object), u"{\"a\":null}");
}

TEST(JsonWriteValue, MethodValuesAndCyclesAreLeftOutWithTheirCommas) {
  IJsonValue object = Object();
  object->PutInt(u"a", 1);
  object->PutMethodValue(u"m", &Dummy);
  object->Put(u"self", object);
  EXPECT_EQ(Compact(object), u"{\"a\":1}");
  EXPECT_EQ(object->MeasureJson(false, true), 7);

  IJsonValue list = Array();
  list->ArrayStore()->Append(list);
  list->ArrayStore()->Append(TJsonValue::CreateMethod(&Dummy));
  list->ArrayStore()->Append(TJsonValue::CreateInt(4));
  list->ArrayStore()->Append(list);
  EXPECT_EQ(Compact(list), u"[4]");

  // A container whose only members are skipped still gets both brackets.
  IJsonValue methods = Object();
  methods->PutMethodValue(u"m", &Dummy);
  EXPECT_EQ(Compact(methods), u"{}");
  EXPECT_EQ(Indented(methods), u"{\r\n}");

  // A value shared by two members is no cycle and is written twice.
  IJsonValue shared = Array();
  IJsonValue twice = Object();
  twice->Put(u"x", shared);
  twice->Put(u"y", shared);
  EXPECT_EQ(Compact(twice), u"{\"y\":[],\"x\":[]}");

  object->Remove(u"self");  // break the cycles so the values can go
  list->ArrayStore()->RemoveAllItems(false);
}

TEST(JsonWriteValue, BusyMarksAreClearedAfterwardsEvenWhenTheSinkThrows) {
  IJsonValue inner = Array();
  inner->ArrayStore()->Append(TJsonValue::CreateText(u"deep"));
  IJsonValue outer = Object();
  outer->Put(u"inner", inner);

  for (int appends = 0; appends < 8; ++appends) {
    TThrowingWriter sink(appends);
    EXPECT_THROW(outer->WriteJson(sink, true, true, 0), std::runtime_error);
    EXPECT_FALSE(outer->GetBusy());
    EXPECT_FALSE(inner->GetBusy());
  }
  EXPECT_EQ(Compact(outer), u"{\"inner\":[\"deep\"]}");

  // A value that is already being written elsewhere reads as null.
  outer->SetBusy(true);
  TJsonWriterString sink;
  EXPECT_EQ(outer->WriteJson(sink, false, true, 0), 4);
  EXPECT_EQ(sink.Text(), u"null");
  EXPECT_TRUE(outer->GetBusy());
  outer->SetBusy(false);
}

TEST(JsonWriteValue, ResultIsTheLastAppendZeroForStringsAndMethods) {
  TJsonWriterFake fake;
  EXPECT_EQ(TJsonValue::CreateInt(12)->WriteJson(fake, false, true, 0), 2);
  EXPECT_EQ(TJsonValue::CreateText(u"abc")->WriteJson(fake, false, true, 0), 0);
  EXPECT_EQ(TJsonValue::CreateMethod(&Dummy)->WriteJson(fake, false, true, 0), 0);
  EXPECT_EQ(fake.CharTotal(), 7);
}

TEST(JsonWriteValue, StreamsGetBytesOrUtf16AndAreEmptiedOnFailure) {
  IJsonValue object = Object();
  object->PutText(u"t", u"\u00e9");

  TJsonMemoryStream ascii;
  EXPECT_EQ(object->WriteToStream(ascii, false, true), 14);
  EXPECT_EQ(ascii.Bytes(), "{\"t\":\"\\u00e9\"}");

  TJsonMemoryStream wide;
  EXPECT_EQ(object->WriteToStream(wide, false, false), 18);
  EXPECT_EQ(wide.Bytes(), std::string("{\0\"\0t\0\"\0:\0\"\0\xe9\0\"\0}\0", 18));

  // A stream that refuses bytes part way: nothing half-written stays behind.
  class TTinyStream final : public TJsonByteStream {
   public:
    std::int32_t Write(const void* data, std::int32_t count) override {
      if (FBytes.size() + count > 5) return 0;
      FBytes.append(static_cast<const char*>(data), count);
      return count;
    }
    void Truncate() override { FBytes.clear(); }
    std::int64_t Size() const noexcept override { return std::int64_t(FBytes.size()); }
    std::string FBytes;
  } tiny;
  EXPECT_EQ(object->WriteToStream(tiny, false, true), 0);
  EXPECT_EQ(tiny.Size(), 0);
}

TEST(JsonWriteValue, WriteToFileCreatesTheFileOrReportsThatItCannot) {
  const auto path = std::filesystem::temp_directory_path() /
                    ("ferolant-value-" + std::to_string(std::random_device{}()) + ".json");
  IJsonValue list = Array();
  list->ArrayStore()->Append(TJsonValue::CreateText(u"\u20ac"));
  EXPECT_EQ(list->WriteToFile(path.u16string(), false, true), 10);
  {
    std::ifstream in(path, std::ios::binary);
    const std::string content{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(content, "[\"\\u20ac\"]");
  }
  std::filesystem::remove(path);

  const auto unreachable = std::filesystem::temp_directory_path() / "ferolant-no-dir" / "x.json";
  EXPECT_EQ(list->WriteToFile(unreachable.u16string(), false, true), -1);
}

TEST(JsonWriteValue, MeasureMatchesTheWrittenText) {
  IJsonValue object = Object();
  object->PutText(u"name", u"\u00e9\t\"x\"");
  object->PutFloat(u"f", 1e-7);
  IJsonValue list = Array();
  list->ArrayStore()->Append(TJsonValue::CreateBool(false));
  list->ArrayStore()->Append(TJsonValue::Create(skNull));
  object->Put(u"list", list);
  for (bool indent : {false, true}) {
    for (bool escape : {false, true}) {
      EXPECT_EQ(object->MeasureJson(indent, escape),
                static_cast<std::int32_t>(object->ToJsonText(indent, escape).size()));
    }
  }
}

TEST(JsonWriteValue, ToTextOfNonStringsIsTheirCompactUnescapedText) {
  IJsonValue object = Object();
  object->PutText(u"s", u"\u00e9");
  EXPECT_EQ(object->ToText(), u"{\"s\":\"\u00e9\"}");
  EXPECT_EQ(TJsonValue::CreateInt(-12)->ToText(), u"-12");
  EXPECT_EQ(TJsonValue::Create(skNull)->ToText(), u"null");
  EXPECT_EQ(TJsonValue::CreateMethod(&Dummy)->ToText(), u"");
}

}  // namespace
