// Values: shared ownership, kinds, and the accessors by member name.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "json/value/json_enumerator.h"
#include "json/value/jsonvalue.h"

namespace {

TEST(JsonValueRef, CreatorHoldsTheOnlyReference) {
  IJsonValue value = TJsonValue::CreateInt(5);
  EXPECT_EQ(value->References(), 1);
  {
    IJsonValue copy = value;
    EXPECT_EQ(value->References(), 2);
    IJsonValue moved = std::move(copy);
    EXPECT_FALSE(copy);
    EXPECT_EQ(value->References(), 2);
  }
  EXPECT_EQ(value->References(), 1);
  value = value;  // self-assignment keeps the value alive
  EXPECT_EQ(value->References(), 1);
}

TEST(JsonValueRef, NilIsNotANullValue) {
  IJsonValue nil;
  IJsonValue null = TJsonValue::Create(skNull);
  EXPECT_FALSE(nil);
  EXPECT_TRUE(null);
  EXPECT_EQ(KindOf(nil), skNull);
  EXPECT_EQ(KindOf(null), skNull);
  EXPECT_TRUE(KindIs(nil, skNull));
  EXPECT_TRUE(KindIs(null, skNull));
  EXPECT_FALSE(KindIs(nil, skObject));
}

TEST(JsonValueRef, ContainersHoldOneReferenceEachAndDropThemWithTheirValue) {
  IJsonValue member = TJsonValue::CreateText(u"shared");
  {
    IJsonValue object = TJsonValue::Create(skObject);
    IJsonValue array = TJsonValue::Create(skArray);
    object->Put(u"a", member);
    object->Put(u"b", member);
    array->ArrayStore()->Append(member);
    object->Put(u"list", array);
    EXPECT_EQ(member->References(), 4);
  }
  EXPECT_EQ(member->References(), 1);
}

TEST(JsonValueRef, AChainFarDeeperThanAnyReadDocumentIsFreedByItsLastRelease) {
  IJsonValue leaf = TJsonValue::CreateText(u"bottom");
  IJsonValue root = TJsonValue::Create(skArray);
  IJsonValue tip = root;
  for (int depth = 0; depth < 100000; ++depth) {
    IJsonValue next = TJsonValue::Create(depth % 2 ? skArray : skObject);
    if (TJsonArray* items = tip->ArrayStore()) {
      items->Append(next);
    } else {
      tip->Put(u"next", next);
    }
    tip = std::move(next);
  }
  tip->Put(u"leaf", leaf);
  tip = nullptr;
  EXPECT_EQ(leaf->References(), 2);
  root = nullptr;
  // The leaf's holder died last; it could only die once every level above it had.
  EXPECT_EQ(leaf->References(), 1);
}

TEST(JsonValueRef, CountsStayExactUnderConcurrentCopies) {
  IJsonValue value = TJsonValue::CreateText(u"shared between threads");
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([value] {
      for (int i = 0; i < 50000; ++i) {
        IJsonValue copy = value;
        IJsonValue another(copy.get());
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(value->References(), 1);
}

TEST(JsonValueKinds, FixedNumbersAndCreators) {
  EXPECT_EQ(int(skNull), 0);
  EXPECT_EQ(int(skMethod), 8);
  EXPECT_EQ(TJsonValue::Create(skObject)->GetKind(), skObject);
  EXPECT_EQ(TJsonValue::CreateBool(true)->GetKind(), skBoolean);
  EXPECT_EQ(TJsonValue::CreateFloat(1.0)->GetKind(), skDouble);
  EXPECT_EQ(TJsonValue::CreateMoney({1})->GetKind(), skCurrency);
  EXPECT_EQ(TJsonValue::CreateInt(1)->GetKind(), skInt);
  EXPECT_EQ(TJsonValue::CreateText(u"")->GetKind(), skString);
  EXPECT_EQ(TJsonValue::CreateMethod(nullptr)->GetKind(), skMethod);
  EXPECT_EQ(TJsonValue::Create(TJsonKind(200))->GetKind(), skNull);

  EXPECT_FALSE(TJsonValue::CreateInt(5)->IsKind(skString));
  EXPECT_TRUE(TJsonValue::CreateText(u"5")->IsKind(skString));

  IJsonValue object = TJsonValue::Create(skObject);
  EXPECT_NE(object->MemberTable(), nullptr);
  EXPECT_EQ(object->ArrayStore(), nullptr);
  EXPECT_EQ(TJsonValue::Create(skArray)->ArrayStore()->SlotCapacity(), 32);
}

TEST(JsonValueKinds, MoveTakingTextCreatorKeepsTheBuffer) {
  std::u16string big(100000, u'x');
  const char16_t* buffer = big.data();
  IJsonValue value = TJsonValue::CreateText(std::move(big));
  EXPECT_EQ(value->TextRef().data(), buffer);
}

TEST(JsonValueKinds, BusyAndUserDataBelongToTheCaller) {
  IJsonValue value = TJsonValue::Create(skObject);
  EXPECT_FALSE(value->GetBusy());
  EXPECT_EQ(value->GetUserData(), nullptr);
  int marker = 0;
  value->SetUserData(&marker);
  value->SetBusy(true);
  EXPECT_EQ(value->GetUserData(), &marker);
  value->MakeEmpty(false);  // refused while busy
  value->SetBusy(false);
  EXPECT_FALSE(value->GetBusy());
}

TEST(JsonAccessors, ReadAndStoreByMemberName) {
  IJsonValue request = ParseJson(u"{}");
  IJsonValue params = ParseJson(u"{}");
  request->PutText(u"metoda", u"SignText");
  request->PutInt(u"tabID", 12);
  request->Put(u"parametry", params);
  params->PutText(u"param1", u"first");
  params->PutText(u"param2", u"second");

  EXPECT_TRUE(request->Get(u"metoda")->IsKind(skString));
  EXPECT_EQ(request->GetText(u"metoda"), u"SignText");
  EXPECT_EQ(request->GetInt(u"tabID"), 12);
  EXPECT_EQ(request->Get(u"parametry"), params);  // shared, not copied
  EXPECT_EQ(params->GetText(u"param2"), u"second");
  EXPECT_FALSE(params->Get(u"param3"));
  EXPECT_FALSE(request->Get(u"Metoda"));
}

TEST(JsonAccessors, TypedGettersDefaultWhenAbsent) {
  IJsonValue object = TJsonValue::Create(skObject);
  EXPECT_FALSE(object->GetBool(u"missing"));
  EXPECT_EQ(object->GetInt(u"missing"), 0);
  EXPECT_EQ(object->GetFloat(u"missing"), 0.0);
  EXPECT_EQ(object->GetMoney(u"missing").Units, 0);
  EXPECT_EQ(object->GetText(u"missing"), u"");
  EXPECT_EQ(object->GetMethodValue(u"missing"), nullptr);
  EXPECT_EQ(object->GetList(u"missing"), nullptr);
  IJsonValue null = object->GetOrNull(u"missing");
  ASSERT_TRUE(null);
  EXPECT_TRUE(null->IsKind(skNull));
  EXPECT_EQ(object->MemberTable()->EntryCount(), 0);  // reading creates nothing
}

TEST(JsonAccessors, StoringAgainReplacesInPlace) {
  IJsonValue object = TJsonValue::Create(skObject);
  object->PutInt(u"tabID", 4);
  IJsonValue old = object->Get(u"tabID");
  object->PutInt(u"tabID", 5);
  EXPECT_EQ(object->GetInt(u"tabID"), 5);
  EXPECT_EQ(object->MemberTable()->EntryCount(), 1);
  EXPECT_EQ(old->ToInt(), 4);  // a new value was stored; the old one is untouched
  EXPECT_EQ(old->References(), 1);
}

TEST(JsonAccessors, TypedStoresMakeValuesOfTheirKind) {
  IJsonValue object = TJsonValue::Create(skObject);
  object->PutBool(u"b", true);
  object->PutFloat(u"f", 0.25);
  object->PutMoney(u"m", {15000});
  std::u16string text(50, u'y');
  object->PutText(u"t", std::move(text));
  EXPECT_EQ(KindOf(object->Get(u"b")), skBoolean);
  EXPECT_EQ(KindOf(object->Get(u"f")), skDouble);
  EXPECT_EQ(KindOf(object->Get(u"m")), skCurrency);
  EXPECT_TRUE(object->GetBool(u"b"));
  EXPECT_EQ(object->GetFloat(u"f"), 0.25);
  EXPECT_EQ(object->GetMoney(u"m").Units, 15000);
  EXPECT_EQ(object->GetInt(u"m"), 2);  // 1.5 rounds to even
  EXPECT_EQ(object->GetText(u"t"), std::u16string(50, u'y'));
}

TEST(JsonAccessors, PutOrNullStoresANullValueForNil) {
  IJsonValue object = TJsonValue::Create(skObject);
  object->PutOrNull(u"x", nullptr);
  IJsonValue stored = object->Get(u"x");
  ASSERT_TRUE(stored);
  EXPECT_TRUE(stored->IsKind(skNull));
  object->Put(u"y", nullptr);  // a member without a value
  EXPECT_EQ(object->MemberTable()->EntryCount(), 2);
  EXPECT_FALSE(object->Get(u"y"));
}

TEST(JsonAccessors, EnsurePathCreatesOnlyWhatIsMissing) {
  IJsonValue object = TJsonValue::Create(skObject);
  IJsonValue list = object->EnsurePath(u"list", skArray);
  ASSERT_TRUE(KindIs(list, skArray));
  EXPECT_EQ(object->EnsurePath(u"list", skObject), list);
  EXPECT_EQ(object->GetList(u"list"), list->ArrayStore());
}

TEST(JsonAccessors, RemoveYieldsTheMember) {
  IJsonValue object = TJsonValue::Create(skObject);
  object->PutInt(u"a", 1);
  object->PutInt(u"b", 2);
  IJsonValue removed = object->Remove(u"a");
  ASSERT_TRUE(removed);
  EXPECT_EQ(removed->ToInt(), 1);
  EXPECT_EQ(removed->References(), 1);
  EXPECT_FALSE(object->Remove(u"a"));
  EXPECT_EQ(object->MemberTable()->EntryCount(), 1);
}

// The accessors take a shortcut for plain member names; the path reader must
// give the same results for them.
TEST(JsonAccessors, PlainNamesThroughTheParseWrapperAgree) {
  for (const char16_t* name : {u"metoda", u"tabID", u"param10", u"hasNextPart", u"nazev", u"_x"}) {
    IJsonValue object = TJsonValue::Create(skObject);
    IJsonValue value = TJsonValue::CreateInt(3);
    ParseText(name, true, false, object, paCreate | paStore, value, skNull);
    EXPECT_EQ(object->Get(name), value) << object->MemberTable()->EntryCount();
    EXPECT_EQ(ParseText(name, false, true, object, paNone, nullptr, skNull), value);

    IJsonValue removed = ParseText(name, false, true, object, paRemove, nullptr, skNull);
    EXPECT_EQ(removed, value);
    EXPECT_EQ(object->MemberTable()->EntryCount(), 0);

    IJsonValue created = ParseText(name, false, true, object, paCreate, nullptr, skArray);
    EXPECT_TRUE(KindIs(created, skArray));
    EXPECT_EQ(object->Get(name), created);
  }
}

TEST(JsonAccessors, LongerPathsGoThroughThePathReader) {
  IJsonValue reply = ParseJson(u"{\"list\":[10,20]}");
  ASSERT_TRUE(KindIs(reply, skObject));
  reply->PutText(u"result.data", u"abc");  // creates "result" on the way
  EXPECT_TRUE(KindIs(reply->Get(u"result"), skObject));
  EXPECT_EQ(reply->GetText(u"result.data"), u"abc");
  EXPECT_EQ(reply->GetInt(u"list[1]"), 20);
  EXPECT_FALSE(reply->Get(u"list[-1]"));
  EXPECT_EQ(reply->Remove(u"result.data")->ToText(), u"abc");
  EXPECT_EQ(reply->Get(u"result")->MemberTable()->EntryCount(), 0);
}

IJsonValue Twice(const IJsonValue& self, const IJsonValue& param) {
  return TJsonValue::CreateInt(2 * param->ToInt() + self->GetInt(u"bias"));
}

TEST(JsonAccessors, MethodValuesAreCalledWithContainerAndParameter) {
  IJsonValue object = TJsonValue::Create(skObject);
  object->PutInt(u"bias", 1);
  object->PutMethodValue(u"twice", &Twice);
  EXPECT_EQ(object->GetMethodValue(u"twice"), &Twice);
  EXPECT_EQ(object->GetMethodValue(u"bias"), nullptr);
  EXPECT_EQ(object->Invoke(u"twice", TJsonValue::CreateInt(20))->ToInt(), 41);
  // What is no method is not called: the value at the path comes back as it is.
  EXPECT_EQ(object->Invoke(u"bias", TJsonValue::CreateInt(20))->ToInt(), 1);
  EXPECT_FALSE(object->Invoke(u"missing", nullptr));
}

TEST(JsonAccessors, ExpandTemplateReplacesMarkedPaths) {
  IJsonValue object = TJsonValue::Create(skObject);
  object->PutText(u"name", u"Jana");
  object->PutText(u"city", u"Brno");
  EXPECT_EQ(object->ExpandTemplate(u"Hi {name} from {city}!", u'{', u'}'), u"Hi Jana from Brno!");
  EXPECT_EQ(object->ExpandTemplate(u"{missing}-", u'{', u'}'), u"-");
  EXPECT_EQ(object->ExpandTemplate(u"tail {name", u'{', u'}'), u"tail ");
  EXPECT_EQ(object->ExpandTemplate(u"plain", u'{', u'}'), u"plain");
}

TEST(JsonEnumerator, HoldsTheValueAndWalksAnObject) {
  IJsonValue object = TJsonValue::Create(skObject);
  object->PutInt(u"only", 1);
  auto enumerator = object->NewEnumerator();
  EXPECT_EQ(enumerator->Value(), object);
  ASSERT_TRUE(enumerator->HasMember());
  EXPECT_EQ(enumerator->Member().FoundName, u"only");
  EXPECT_FALSE(TJsonValue::CreateInt(3)->NewEnumerator()->HasMember());
}

}  // namespace
