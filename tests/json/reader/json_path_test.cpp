// Paths on a base value: steps, indexes, calls, and what the actions change.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "json/reader/json_reader.h"
#include "tests/json/reader/reader_support.h"

namespace {

// Answers with the kind of the container it was called from and its parameter.
IJsonValue Echo(const IJsonValue& self, const IJsonValue& param) {
  IJsonValue answer = TJsonValue::Create(skArray);
  answer->ArrayStore()->Append(TJsonValue::CreateInt(KindOf(self)));
  answer->ArrayStore()->Append(param);
  return answer;
}

IJsonValue Document() {
  IJsonValue doc = ParseJson(
      u"{\"a\":{\"b\":1},\"list\":[10,20],\"i\":1,\"s\":\"text\",\"n\":5,\"123\":\"digits\"}");
  doc->PutMethodValue(u"f", Echo);
  return doc;
}

int PathError(const IJsonValue& base, std::u16string_view path, TJsonPathActions actions = paNone) {
  return RunReader(path, false, base, actions).Error;
}

TEST(JsonPathRead, StepsThroughMembersAndIndexes) {
  IJsonValue doc = Document();
  EXPECT_EQ(Json(doc->Get(u"a.b")), "1");
  EXPECT_EQ(Json(doc->Get(u"a.c")), "nil");
  EXPECT_EQ(Json(doc->Get(u"list[1]")), "20");
  EXPECT_EQ(Json(doc->Get(u"list[ 0 ]")), "10");
  EXPECT_EQ(Json(doc->Get(u"list[i]")), "20");  // the index is itself a path on the base
  EXPECT_EQ(Json(doc->Get(u"list[5]")), "nil");
  EXPECT_EQ(Json(doc->Get(u"list[]")), "20");  // empty brackets: the last element
  EXPECT_EQ(Json(doc->Get(u"123")), R"("digits")");
  EXPECT_EQ(doc->GetInt(u"a.b"), 1);
  EXPECT_EQ(doc->GetText(u"list[0]"), u"10");
  EXPECT_EQ(doc->GetText(u"x.y"), u"");
}

TEST(JsonPathRead, FailuresNameTheirReason) {
  IJsonValue doc = Document();
  EXPECT_EQ(PathError(doc, u"a.b"), jeNone);
  EXPECT_EQ(PathError(doc, u"x.y"), jeNotObject);
  EXPECT_EQ(PathError(doc, u"s.x"), jeNotObject);
  EXPECT_EQ(PathError(doc, u"a[0]"), jeNotArray);
  EXPECT_EQ(PathError(doc, u"list[1"), jeNotArray);
  EXPECT_EQ(PathError(doc, u"list[-1]"), jeBadIndex);
  EXPECT_EQ(PathError(doc, u"list[\"1\"]"), jeBadIndex);
  EXPECT_EQ(PathError(doc, u"list[1.0]"), jeBadIndex);
  EXPECT_EQ(PathError(doc, u"list[4294967297]"), jeBadIndex);
  EXPECT_EQ(PathError(doc, u"n(1)"), jeNotMethod);
  EXPECT_EQ(PathError(doc, u"f(1 2)"), jeNotMethod);
  EXPECT_EQ(PathError(doc, u"f(1"), jeNotMethod);
  EXPECT_EQ(Json(doc->Get(u"list[-1]")), "nil");
}

TEST(JsonPathRead, BasesWithoutMembersGiveNone) {
  for (const IJsonValue& base :
       {TJsonValue::CreateText(u"abc"), TJsonValue::CreateInt(5), TJsonValue::CreateBool(true)}) {
    const TReadOutcome read = RunReader(u"x", false, base);
    EXPECT_EQ(Json(read.Value), "nil");
    EXPECT_EQ(read.Error, jeUnterminated);
    EXPECT_EQ(Json(base->Get(u"a.b")), "nil");
  }
}

TEST(JsonPathRead, LiteralsStartingAPathAreNewValues) {
  IJsonValue doc = Document();
  const IJsonValue null = doc->Get(u"null");
  ASSERT_TRUE(null);
  EXPECT_TRUE(null->IsKind(skNull));
  EXPECT_EQ(Json(doc->Get(u"\"x\"")), R"("x")");
  EXPECT_EQ(Json(doc->Get(u"[1,a.b]")), "[1,1]");
  EXPECT_EQ(Json(doc->Get(u"-3")), "-3");
}

TEST(JsonPathCreate, MissingStepsAreCreatedOnlyWithCreate) {
  IJsonValue doc = ParseJson(u"{}");
  EXPECT_EQ(Json(doc->Get(u"x.y")), "nil");
  EXPECT_EQ(Json(doc), "{}");

  EXPECT_EQ(Json(doc->EnsurePath(u"x.y", skInt)), "0");
  EXPECT_EQ(Json(doc), R"({"x":{"y":0}})");
  // An existing value is kept, whatever kind was asked for.
  doc->PutInt(u"x.y", 4);
  EXPECT_EQ(Json(doc->EnsurePath(u"x.y", skString)), "4");

  IJsonValue lists = ParseJson(u"{\"list\":[]}");
  EXPECT_EQ(Json(lists->EnsurePath(u"list[3].x", skString)), R"("")");
  EXPECT_EQ(Json(lists), R"({"list":[null,null,null,{"x":""}]})");
}

TEST(JsonPathCreate, ContainerCreatedBeforeAnIndexLandsAtThatIndex) {
  IJsonValue doc = ParseJson(u"{}");
  doc->EnsurePath(u"grid[2][0]", skNull);
  EXPECT_EQ(Json(doc), R"({"grid":[null,null,[]]})");
  EXPECT_TRUE(KindIs(doc->Get(u"grid[2]"), skArray));
}

TEST(JsonPathStore, PutCreatesTheWayAndStoresAtTheEnd) {
  IJsonValue doc = ParseJson(u"{}");
  doc->PutInt(u"a.b.c", 5);
  EXPECT_EQ(Json(doc), R"({"a":{"b":{"c":5}}})");

  doc->Put(u"list", ParseJson(u"[1]"));
  doc->PutInt(u"list[]", 3);
  EXPECT_EQ(Json(doc->Get(u"list")), "[1,3]");
  doc->PutInt(u"list[0]", 9);
  doc->PutInt(u"list[4]", 1);
  EXPECT_EQ(Json(doc->Get(u"list")), "[9,3,null,null,1]");
  doc->PutText(u"list[].name", u"n");
  EXPECT_EQ(Json(doc->Get(u"list[5]")), R"({"name":"n"})");
}

TEST(JsonPathStore, RemoveTakesOutAndYieldsTheValue) {
  IJsonValue doc = Document();
  EXPECT_EQ(Json(doc->Remove(u"list[0]")), "10");
  EXPECT_EQ(Json(doc->Get(u"list")), "[20]");
  EXPECT_EQ(Json(doc->Remove(u"a.b")), "1");
  EXPECT_EQ(Json(doc->Get(u"a")), "{}");
  EXPECT_EQ(Json(doc->Remove(u"nothing.here")), "nil");
}

TEST(JsonPathStore, ChangesMadeBeforeAnErrorStay) {
  IJsonValue doc = ParseJson(u"{}");
  doc->PutInt(u"made.more(", 1);
  EXPECT_EQ(Json(doc), R"({"made":{}})");

  // Put reads without trailing text: the store is done, the result dropped.
  IJsonValue other = ParseJson(u"{}");
  EXPECT_EQ(Json(ParseText(u"k x", true, false, other, paCreate | paStore, TJsonValue::CreateInt(2),
                           skNull)),
            "nil");
  EXPECT_EQ(Json(other), R"({"k":2})");
}

TEST(JsonPathStore, IndexAndArgumentExpressionsOnlyRead) {
  IJsonValue doc = ParseJson(u"{\"list\":[1,2]}");
  EXPECT_EQ(PathError(doc, u"list[k.j]", paCreate), jeNotObject);
  doc->EnsurePath(u"list[k]", skInt);
  EXPECT_EQ(Json(doc), R"({"list":[1,2]})");
  // The inner list[0] reads 1; only the outer step removes.
  EXPECT_EQ(Json(doc->Remove(u"list[list[0]]")), "2");
  EXPECT_EQ(Json(doc), R"({"list":[1]})");
}

TEST(JsonPathCall, MethodsAreCalledWithTheirContainerAndArguments) {
  IJsonValue doc = Document();
  EXPECT_EQ(Json(doc->Get(u"f(1,2)")), "[5,[1,2]]");
  EXPECT_EQ(Json(doc->Get(u"f(7)")), "[5,7]");
  EXPECT_EQ(Json(doc->Get(u"f()")), "[5,[]]");
  EXPECT_EQ(Json(doc->Get(u"f( 'x' )")), R"([5,"x"])");
  EXPECT_EQ(Json(doc->Get(u"f(a.b)")), "[5,1]");
  EXPECT_EQ(Json(doc->Get(u"f(1)[1]")), "1");
  EXPECT_EQ(Json(doc->Invoke(u"f", TJsonValue::CreateInt(3))), "[5,3]");
  EXPECT_EQ(Json(doc->InvokeText(u"f", u"[true]")), "[5,[true]]");
  // Invoking what is no method yields the value itself.
  EXPECT_EQ(Json(doc->Invoke(u"n", TJsonValue::CreateInt(3))), "5");
  EXPECT_EQ(Json(doc->Invoke(u"a.b", TJsonValue::CreateInt(3))), "1");
}

TEST(JsonPathCall, NothingIsStoredIntoAMethod) {
  IJsonValue doc = Document();
  EXPECT_EQ(Json(ParseText(u"f()", true, false, doc, paCreate | paStore, TJsonValue::CreateInt(1),
                           skNull)),
            "nil");
  EXPECT_EQ(PathError(doc, u"f()", paStore), jeNotMethod);
  EXPECT_TRUE(KindIs(doc->Get(u"f"), skMethod));
}

TEST(JsonPathCall, MethodBaseIsCalledByALeadingArgumentList) {
  const IJsonValue method = TJsonValue::CreateMethod(Echo);
  EXPECT_EQ(Json(ParseText(u"(4)", false, true, method, paNone, nullptr, skNull)), "[0,4]");
  EXPECT_EQ(Json(ParseText(u"(1,'a')", false, true, method, paNone, nullptr, skNull)),
            R"([0,[1,"a"]])");
}

TEST(JsonPathCall, MethodWithoutProcedureIsNotCalled) {
  IJsonValue doc = ParseJson(u"{\"list\":[]}");
  doc->Get(u"list")->ArrayStore()->Append(TJsonValue::CreateMethod(nullptr));
  EXPECT_EQ(PathError(doc, u"list[0].x"), jeNotMethod);
  EXPECT_EQ(PathError(doc, u"list[0]()"), jeNotMethod);
}

TEST(JsonPathArrayBase, NumbersIndexTheBase) {
  IJsonValue base = ParseJson(u"[10,20]");
  EXPECT_EQ(Json(RunReader(u"1", false, base).Value), "20");
  EXPECT_EQ(RunReader(u"-1", false, base).Error, jeBadIndex);
  ParseText(u"0", true, false, base, paCreate | paStore, TJsonValue::CreateInt(7), skNull);
  EXPECT_EQ(Json(base), "[7,20]");
  EXPECT_EQ(Json(ParseText(u"0", false, true, base, paRemove, nullptr, skNull)), "7");
  EXPECT_EQ(Json(base), "[20]");
  base->PutInt(u"anything", 3);  // a name on an array appends
  EXPECT_EQ(Json(base), "[20,3]");
}

// The wrapper answers single member names without running the reader; it
// must do exactly what the reader does.
TEST(JsonPathPlainNames, ShortcutMatchesTheReader) {
  const std::vector<std::u16string> names = {
      u"param1",        u"tabID", u"metoda", u"123", u"nu", u"nul",     u"NULL", u"Truth",
      u"a/b",           u"+x",    u"a\\b",   u"f",   u"n",  u"missing", u"_",    u"\u0100",
      u"\u00e9t\u00e9", u"fals"};
  struct TAccess {
    bool Strict;
    bool Partial;
    TJsonPathActions Actions;
  };
  const TAccess accesses[] = {{false, true, paNone},
                              {true, false, paCreate | paStore},
                              {false, true, paCreate},
                              {false, true, paRemove},
                              {false, true, paCall}};
  for (const auto& name : names) {
    for (const auto& access : accesses) {
      for (const bool present : {false, true}) {
        IJsonValue viaShortcut = Document();
        IJsonValue viaReader = Document();
        if (present) {
          viaShortcut->PutInt(name, 1);
          viaReader->PutInt(name, 1);
        }
        const IJsonValue put = TJsonValue::CreateText(u"v");
        const IJsonValue fast = ParseText(name, access.Strict, access.Partial, viaShortcut,
                                          access.Actions, put, skArray);
        const TReadOutcome slow =
            RunReader(name, access.Strict, viaReader, access.Actions, put, skArray);
        const std::string label(name.begin(), name.end());
        EXPECT_EQ(slow.Error, jeNone) << label;
        EXPECT_EQ(Json(fast), Json(slow.Value)) << label;
        EXPECT_EQ(Json(viaShortcut), Json(viaReader)) << label;
      }
    }
  }
}

}  // namespace
