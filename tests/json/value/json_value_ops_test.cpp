// Whole-value operations: emptying, compacting, copying, merging, comparing.
#include <gtest/gtest.h>

#include <cmath>

#include "json/value/jsonvalue.h"

namespace {

IJsonValue Object() { return TJsonValue::Create(skObject); }
IJsonValue Array() { return TJsonValue::Create(skArray); }

TEST(JsonMakeEmpty, KeepsTheKind) {
  IJsonValue text = TJsonValue::CreateText(u"abc");
  text->MakeEmpty(false);
  EXPECT_EQ(text->GetKind(), skString);
  EXPECT_EQ(text->ToText(), u"");

  IJsonValue number = TJsonValue::CreateFloat(2.5);
  number->MakeEmpty(false);
  EXPECT_EQ(number->ToFloat(), 0.0);

  IJsonValue method =
      TJsonValue::CreateMethod([](const IJsonValue&, const IJsonValue&) { return IJsonValue(); });
  method->MakeEmpty(false);
  EXPECT_EQ(method->MethodPointer(), nullptr);
}

TEST(JsonMakeEmpty, DeepEmptiesSharedMembersShallowDoesNot) {
  IJsonValue inner = TJsonValue::CreateInt(7);
  IJsonValue object = Object();
  object->Put(u"a", inner);
  object->MakeEmpty(false);
  EXPECT_EQ(object->MemberTable()->EntryCount(), 0);
  EXPECT_EQ(inner->ToInt(), 7);

  object->Put(u"a", inner);
  object->MakeEmpty(true);
  EXPECT_EQ(inner->ToInt(), 0);
  EXPECT_EQ(inner->References(), 1);
}

TEST(JsonMakeEmpty, AValueHoldingItselfIsEnteredOnceAndFreedByEmptying) {
  IJsonValue object = Object();
  object->Put(u"self", object);
  IJsonValue array = Array();
  array->ArrayStore()->Append(array);
  array->ArrayStore()->Append(object);
  EXPECT_EQ(object->References(), 3);
  // Emptying breaks the cycles, so nothing is left behind.
  array->MakeEmpty(true);
  EXPECT_EQ(object->MemberTable()->EntryCount(), 0);
  EXPECT_EQ(object->References(), 1);
  EXPECT_EQ(array->References(), 1);
  EXPECT_FALSE(array->GetBusy());
  EXPECT_FALSE(object->GetBusy());
}

TEST(JsonCompact, DropsMembersAndElementsWithoutValue) {
  IJsonValue inner = Array();
  inner->ArrayStore()->SetItemAt(2, TJsonValue::CreateInt(1));
  IJsonValue object = Object();
  object->Put(u"gone", nullptr);
  object->Put(u"kept", TJsonValue::Create(skNull));
  object->Put(u"list", inner);
  object->Compact(false);
  EXPECT_EQ(object->MemberTable()->EntryCount(), 2);
  EXPECT_EQ(inner->ArrayStore()->Used(), 3);
  object->Compact(true);
  EXPECT_EQ(inner->ArrayStore()->Used(), 1);
}

TEST(JsonDeepCopy, CopiesEveryLevelAndDropsNullValues) {
  IJsonValue source = Object();
  IJsonValue list = Array();
  list->ArrayStore()->Append(TJsonValue::CreateText(u"x"));
  list->ArrayStore()->SetItemAt(2, TJsonValue::CreateMoney({5}));
  source->Put(u"list", list);
  source->Put(u"nothing", TJsonValue::Create(skNull));
  source->PutBool(u"flag", true);

  IJsonValue copy = source->DeepCopy();
  ASSERT_TRUE(KindIs(copy, skObject));
  EXPECT_EQ(copy->MemberTable()->EntryCount(), 3);
  EXPECT_NE(copy->Get(u"list"), list);
  EXPECT_FALSE(copy->Get(u"nothing"));  // the member stays, without a value
  EXPECT_NE(copy->MemberTable()->FindEntry(u"nothing", fmEqual), nullptr);
  TJsonArray* copied = copy->GetList(u"list");
  ASSERT_NE(copied, nullptr);
  EXPECT_EQ(copied->Used(), 3);
  EXPECT_FALSE(copied->ItemAt(1));
  EXPECT_EQ(copied->ItemAt(2)->ToMoney().Units, 5);
  EXPECT_EQ(copy->CompareWith(source), crEqual);

  EXPECT_FALSE(TJsonValue::Create(skNull)->DeepCopy());
}

TEST(JsonDeepCopy, ACycleCopiesAsNoValueInsteadOfRecursingForever) {
  IJsonValue object = Object();
  object->PutInt(u"n", 1);
  object->Put(u"self", object);
  IJsonValue copy = object->DeepCopy();
  EXPECT_EQ(copy->GetInt(u"n"), 1);
  EXPECT_FALSE(copy->Get(u"self"));
  object->MakeEmpty(false);  // break the cycle so the test leaks nothing
}

TEST(JsonMergeFrom, ObjectsMergeMemberByMember) {
  IJsonValue target = Object();
  target->PutInt(u"a", 1);
  IJsonValue targetInner = Object();
  targetInner->PutInt(u"x", 1);
  target->Put(u"inner", targetInner);
  target->PutText(u"kind", u"text");

  IJsonValue other = Object();
  IJsonValue otherInner = Object();
  otherInner->PutInt(u"y", 2);
  other->Put(u"inner", otherInner);
  other->PutInt(u"a", 5);
  other->PutInt(u"kind", 3);  // a different kind replaces
  IJsonValue shared = Array();
  other->Put(u"list", shared);
  other->Put(u"none", nullptr);

  target->MergeFrom(other, true);
  EXPECT_EQ(target->GetInt(u"a"), 5);
  EXPECT_EQ(target->Get(u"inner"), targetInner);  // merged into, not replaced
  EXPECT_EQ(targetInner->GetInt(u"x"), 1);
  EXPECT_EQ(targetInner->GetInt(u"y"), 2);
  EXPECT_EQ(KindOf(target->Get(u"kind")), skInt);
  EXPECT_EQ(target->Get(u"list"), shared);  // shared when asked to
  EXPECT_NE(target->MemberTable()->FindEntry(u"none", fmEqual), nullptr);

  IJsonValue copyTarget = Object();
  copyTarget->MergeFrom(other, false);
  EXPECT_NE(copyTarget->Get(u"list"), shared);
  EXPECT_EQ(copyTarget->CompareWith(other), crEqual);
}

TEST(JsonMergeFrom, DifferentKindsAndScalars) {
  IJsonValue number = TJsonValue::CreateInt(1);
  number->MergeFrom(TJsonValue::CreateText(u"9"), false);
  EXPECT_EQ(number->ToInt(), 1);
  number->MergeFrom(TJsonValue::CreateInt(9), false);
  EXPECT_EQ(number->ToInt(), 9);
  number->MergeFrom(nullptr, false);
  EXPECT_EQ(number->ToInt(), 9);

  IJsonValue text = TJsonValue::CreateText(u"a");
  text->MergeFrom(TJsonValue::CreateText(u"b"), false);
  EXPECT_EQ(text->ToText(), u"b");
}

TEST(JsonMergeFrom, ArraysMergeIndexByIndex) {
  IJsonValue target = Array();
  target->ArrayStore()->Append(TJsonValue::CreateInt(1));
  target->ArrayStore()->Append(TJsonValue::CreateInt(2));
  IJsonValue other = Array();
  other->ArrayStore()->Append(TJsonValue::CreateInt(10));
  other->ArrayStore()->Append(nullptr);
  other->ArrayStore()->Append(TJsonValue::CreateText(u"c"));
  target->MergeFrom(other, false);
  TJsonArray& items = *target->ArrayStore();
  EXPECT_EQ(items.Used(), 3);
  EXPECT_EQ(items.ItemAt(0)->ToInt(), 10);
  EXPECT_FALSE(items.ItemAt(1));
  EXPECT_EQ(items.ItemAt(2)->ToText(), u"c");
}

TEST(JsonCompareWith, IsATotalOrder) {
  EXPECT_EQ(TJsonValue::CreateInt(1)->CompareWith(TJsonValue::CreateInt(2)), crLess);
  EXPECT_EQ(TJsonValue::CreateInt(2)->CompareWith(TJsonValue::CreateFloat(2.0)), crEqual);
  EXPECT_EQ(TJsonValue::CreateMoney({25000})->CompareWith(TJsonValue::CreateFloat(2.4)), crGreater);
  EXPECT_EQ(TJsonValue::CreateText(u"a")->CompareWith(TJsonValue::CreateText(u"b")), crLess);
  EXPECT_EQ(TJsonValue::Create(skNull)->CompareWith(nullptr), crEqual);
  EXPECT_EQ(TJsonValue::CreateBool(true)->CompareWith(TJsonValue::CreateInt(0)), crLess);
  EXPECT_EQ(TJsonValue::CreateFloat(std::nan(""))->CompareWith(TJsonValue::CreateInt(0)), crError);

  IJsonValue a = Object();
  IJsonValue b = Object();
  a->PutInt(u"k", 1);
  b->PutInt(u"k", 1);
  EXPECT_EQ(a->CompareWith(b), crEqual);
  b->PutInt(u"k", 2);
  EXPECT_EQ(a->CompareWith(b), crLess);
  EXPECT_EQ(b->CompareWith(a), crGreater);
}

}  // namespace
