// Whole-value operations: emptying, compacting, copying, merging, comparing.
#include <compare>

#include "json/value/jsonvalue.h"

namespace {

// Marks a value as being entered by a recursive operation, and clears the
// mark on every way out.
class TBusyScope {
 public:
  explicit TBusyScope(TJsonValue& value) noexcept : FValue(value) { FValue.SetBusy(true); }
  ~TBusyScope() { FValue.SetBusy(false); }
  TBusyScope(const TBusyScope&) = delete;
  TBusyScope& operator=(const TBusyScope&) = delete;

 private:
  TJsonValue& FValue;
};

bool IsNumberKind(TJsonKind kind) noexcept {
  return kind == skDouble || kind == skCurrency || kind == skInt;
}

TJsonCompareResult FromOrdering(std::partial_ordering order) noexcept {
  if (order == std::partial_ordering::less) return crLess;
  if (order == std::partial_ordering::greater) return crGreater;
  if (order == std::partial_ordering::equivalent) return crEqual;
  return crError;
}

TJsonCompareResult CompareValues(const IJsonValue& a, const IJsonValue& b);

}  // namespace

void TJsonValue::MakeEmpty(bool deep) {
  if (FBusy) return;
  TBusyScope busy(*this);
  switch (FKind) {
    case skNull:
      break;
    case skBoolean:
      FPayload.Boolean = false;
      break;
    case skDouble:
      FPayload.Float = 0.0;
      break;
    case skCurrency:
    case skInt:
      FPayload.Integer = 0;
      break;
    case skObject:
      FPayload.Table->RemoveAll(deep);
      break;
    case skArray:
      FPayload.Array->RemoveAllItems(deep);
      break;
    case skString:
      FText.clear();
      break;
    case skMethod:
      FPayload.Method = nullptr;
      break;
  }
}

void TJsonValue::Compact(bool deep) {
  if (FBusy) return;
  TBusyScope busy(*this);
  if (FKind == skObject) FPayload.Table->DropNullMembers(deep);
  if (FKind == skArray) FPayload.Array->CompactItems(deep);
}

IJsonValue TJsonValue::DeepCopy() const {
  switch (FKind) {
    case skNull:
      return nullptr;
    case skBoolean:
      return CreateBool(FPayload.Boolean);
    case skDouble:
      return CreateFloat(FPayload.Float);
    case skCurrency:
      return CreateMoney({FPayload.Integer});
    case skInt:
      return CreateInt(FPayload.Integer);
    case skString:
      return CreateText(std::u16string_view(FText));
    case skMethod:
      return CreateMethod(FPayload.Method);
    case skObject:
    case skArray:
      break;
  }
  // A container that is already being copied is a cycle; its inner
  // reference copies as no value instead of recursing without end.
  if (FBusy) return nullptr;
  auto& self = const_cast<TJsonValue&>(*this);
  TBusyScope busy(self);
  IJsonValue copy = Create(FKind);
  if (FKind == skObject) {
    TJsonTableString& target = *copy->MemberTable();
    TJsonAvlIterator walker(*FPayload.Table);
    for (TJsonAvlEntry* entry = walker.GoFirst(); entry; entry = walker.GoNext()) {
      target.Store(entry->EntryName, entry->ValueRef ? entry->ValueRef->DeepCopy() : nullptr);
    }
  } else {
    TJsonArray& target = *copy->ArrayStore();
    for (const IJsonValue& item : FPayload.Array->Items()) {
      target.Append(item ? item->DeepCopy() : nullptr);
    }
  }
  return copy;
}

void TJsonValue::MergeFrom(const IJsonValue& other, bool share) {
  if (!KindIs(other, FKind)) return;
  switch (FKind) {
    case skNull:
      return;
    case skBoolean:
      FPayload.Boolean = other->ToBool();
      return;
    case skDouble:
      FPayload.Float = other->ToFloat();
      return;
    case skCurrency:
      FPayload.Integer = other->ToMoney().Units;
      return;
    case skInt:
      FPayload.Integer = other->ToInt();
      return;
    case skString:
      if (other.get() != this) FText = other->FText;
      return;
    case skMethod:
      FPayload.Method = other->FPayload.Method;
      return;
    case skObject:
    case skArray:
      break;
  }
  // Merging a container into itself changes nothing; a cycle ends here too.
  if (FBusy || other.get() == this) return;
  TBusyScope busy(*this);
  auto mergeOne = [share](const IJsonValue& mine, const IJsonValue& theirs, auto&& store) {
    if (mine && theirs && mine->GetKind() == theirs->GetKind()) {
      mine->MergeFrom(theirs, false);
    } else if (!theirs) {
      store(nullptr);
    } else {
      store(share ? theirs : theirs->DeepCopy());
    }
  };
  if (FKind == skObject) {
    TJsonTableString& table = *FPayload.Table;
    TJsonMemberIter iter;
    for (bool found = FirstMember(other, iter); found; found = NextMember(iter)) {
      mergeOne(table.Lookup(iter.FoundName), iter.FoundValue,
               [&](IJsonValue value) { table.Store(iter.FoundName, std::move(value)); });
    }
    EndMembers(iter);
  } else {
    TJsonArray& array = *FPayload.Array;
    const TJsonArray& source = *other->FPayload.Array;
    for (std::int32_t i = 0; i < source.Used(); ++i) {
      mergeOne(array.ItemAt(i), source.ItemAt(i),
               [&](IJsonValue value) { array.SetItemAt(i, std::move(value)); });
    }
  }
}

TJsonCompareResult TJsonValue::CompareWith(const IJsonValue& other) const {
  return CompareValues(IJsonValue(const_cast<TJsonValue*>(this)), other);
}

namespace {

// The order: nil and null first, then by kind number, except that the three
// number kinds compare by value among themselves; within a kind by content,
// containers element by element. NaN and cycles yield crError.
TJsonCompareResult CompareValues(const IJsonValue& a, const IJsonValue& b) {
  const TJsonKind ka = KindOf(a);
  const TJsonKind kb = KindOf(b);
  if (IsNumberKind(ka) && IsNumberKind(kb)) {
    if (ka == kb && ka == skInt) return FromOrdering(a->ToInt() <=> b->ToInt());
    if (ka == kb && ka == skCurrency)
      return FromOrdering(a->ToMoney().Units <=> b->ToMoney().Units);
    return FromOrdering(a->ToFloat() <=> b->ToFloat());
  }
  if (ka != kb) return ka < kb ? crLess : crGreater;
  if (a == b) return crEqual;
  switch (ka) {
    case skNull:
      return crEqual;
    case skBoolean:
      return FromOrdering(a->ToBool() <=> b->ToBool());
    case skString:
      return FromOrdering(a->TextRef() <=> b->TextRef());
    case skMethod: {
      const auto pa = reinterpret_cast<std::uintptr_t>(a->MethodPointer());
      const auto pb = reinterpret_cast<std::uintptr_t>(b->MethodPointer());
      return FromOrdering(pa <=> pb);
    }
    default:
      break;
  }
  if (a->GetBusy() || b->GetBusy()) return crError;
  TBusyScope busyA(*a);
  TBusyScope busyB(*b);
  if (ka == skArray) {
    const auto itemsA = a->ArrayStore()->Items();
    const auto itemsB = b->ArrayStore()->Items();
    for (std::size_t i = 0; i < itemsA.size() && i < itemsB.size(); ++i) {
      const TJsonCompareResult r = CompareValues(itemsA[i], itemsB[i]);
      if (r != crEqual) return r;
    }
    return FromOrdering(itemsA.size() <=> itemsB.size());
  }
  TJsonAvlIterator walkA(*a->MemberTable());
  TJsonAvlIterator walkB(*b->MemberTable());
  TJsonAvlEntry* ea = walkA.GoFirst();
  TJsonAvlEntry* eb = walkB.GoFirst();
  for (; ea && eb; ea = walkA.GoNext(), eb = walkB.GoNext()) {
    if (ea->NameHash != eb->NameHash) return ea->NameHash > eb->NameHash ? crLess : crGreater;
    if (const auto byName = TJsonAvlTree::CompareEntries(*ea, *eb); byName != 0) {
      return byName < 0 ? crLess : crGreater;
    }
    const TJsonCompareResult r = CompareValues(ea->ValueRef, eb->ValueRef);
    if (r != crEqual) return r;
  }
  if (!ea && !eb) return crEqual;
  return ea ? crGreater : crLess;
}

}  // namespace
