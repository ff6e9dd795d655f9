// The value record: creation, destruction and the path accessors.
#include <algorithm>
#include <utility>

#include "json/value/json_enumerator.h"
#include "json/value/jsonvalue.h"

TJsonValue::TJsonValue(TJsonKind kind) : FKind(kind <= skMethod ? kind : skNull) {
  FPayload.Integer = 0;
  if (FKind == skObject) FPayload.Table = new TJsonTableString;
  if (FKind == skArray) FPayload.Array = new TJsonArray;
}

TJsonValue::~TJsonValue() {
  if (FKind == skObject) delete FPayload.Table;
  if (FKind == skArray) delete FPayload.Array;
}

namespace {

// Values whose last reference went while another value of this thread was
// being freed, linked through their user data. A deeply nested document thus
// costs a list, not a stack frame per level.
thread_local TJsonValue* tPendingHead = nullptr;
thread_local bool tFreeing = false;

}  // namespace

void TJsonValue::Destroy() noexcept {
  if (tFreeing) {
    FUserData = std::exchange(tPendingHead, this);
    return;
  }
  tFreeing = true;
  delete this;
  while (TJsonValue* next = tPendingHead) {
    tPendingHead = static_cast<TJsonValue*>(next->FUserData);
    delete next;
  }
  tFreeing = false;
}

// The count stands at 1 while the value is built, so that a reference taken
// and dropped during construction cannot destroy it; that count becomes the
// creator's reference.
IJsonValue TJsonValue::Adopt(TJsonValue* fresh) noexcept {
  return IJsonValue(fresh, IJsonValue::TAdopt{});
}

IJsonValue TJsonValue::Create(TJsonKind kind) { return Adopt(new TJsonValue(kind)); }

IJsonValue TJsonValue::CreateBool(bool value) {
  auto* fresh = new TJsonValue(skBoolean);
  fresh->FPayload.Boolean = value;
  return Adopt(fresh);
}

IJsonValue TJsonValue::CreateInt(std::int64_t value) {
  auto* fresh = new TJsonValue(skInt);
  fresh->FPayload.Integer = value;
  return Adopt(fresh);
}

IJsonValue TJsonValue::CreateFloat(double value) {
  auto* fresh = new TJsonValue(skDouble);
  fresh->FPayload.Float = value;
  return Adopt(fresh);
}

IJsonValue TJsonValue::CreateMoney(TJsonCurrency value) {
  auto* fresh = new TJsonValue(skCurrency);
  fresh->FPayload.Integer = value.Units;
  return Adopt(fresh);
}

IJsonValue TJsonValue::CreateText(std::u16string_view text) {
  return CreateText(std::u16string(text));
}

IJsonValue TJsonValue::CreateText(std::u16string&& text) {
  auto* fresh = new TJsonValue(skString);
  fresh->FText = std::move(text);
  return Adopt(fresh);
}

IJsonValue TJsonValue::CreateMethod(TJsonMethod method) {
  auto* fresh = new TJsonValue(skMethod);
  fresh->FPayload.Method = method;
  return Adopt(fresh);
}

TJsonArray* TJsonValue::ArrayStore() const noexcept {
  return FKind == skArray ? FPayload.Array : nullptr;
}

TJsonTableString* TJsonValue::MemberTable() const noexcept {
  return FKind == skObject ? FPayload.Table : nullptr;
}

TJsonMethod TJsonValue::MethodPointer() const noexcept {
  return FKind == skMethod ? FPayload.Method : nullptr;
}

const std::u16string& TJsonValue::TextRef() const noexcept {
  static const std::u16string empty;
  return FKind == skString ? FText : empty;
}

namespace {

bool IsAsciiLetter(char16_t c) noexcept {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}
bool IsAsciiDigit(char16_t c) noexcept { return c >= u'0' && c <= u'9'; }

// A path that can only mean "the member of this name": letters, digits and
// underscores, not starting with a digit nor with one of the literals (which
// the path reader may take as values). Anything else goes to the reader.
bool IsPlainMemberName(std::u16string_view path) noexcept {
  if (path.empty() || !(IsAsciiLetter(path[0]) || path[0] == u'_')) return false;
  for (char16_t c : path) {
    if (!(IsAsciiLetter(c) || IsAsciiDigit(c) || c == u'_')) return false;
  }
  return !(path.starts_with(u"null") || path.starts_with(u"true") || path.starts_with(u"false"));
}

}  // namespace

IJsonValue TJsonValue::Resolve(std::u16string_view path, bool strict, bool partial,
                               TJsonPathActions actions, const IJsonValue& putValue,
                               TJsonKind kind) {
  if (FKind != skObject || !IsPlainMemberName(path)) {
    return ParseText(path, strict, partial, Self(), actions, putValue, kind);
  }
  TJsonTableString& table = *FPayload.Table;
  if (HasAction(actions, paStore)) {
    table.Store(path, putValue);
  } else if (HasAction(actions, paRemove)) {
    return table.RemoveByName(path);
  } else if (HasAction(actions, paCreate) && !table.Lookup(path)) {
    table.Store(path, Create(kind));
  }
  IJsonValue found = table.Lookup(path);
  if (HasAction(actions, paCall)) {
    TJsonMethod method = found ? found->MethodPointer() : nullptr;
    return method ? method(Self(), putValue) : found;
  }
  return found;
}

IJsonValue TJsonValue::Get(std::u16string_view path) {
  return Resolve(path, false, true, paNone, nullptr, skNull);
}

void TJsonValue::Put(std::u16string_view path, const IJsonValue& value) {
  Resolve(path, true, false, paCreate | paStore, value, skNull);
}

bool TJsonValue::GetBool(std::u16string_view path) {
  IJsonValue found = Get(path);
  return found && found->ToBool();
}

void TJsonValue::PutBool(std::u16string_view path, bool value) { Put(path, CreateBool(value)); }

std::int64_t TJsonValue::GetInt(std::u16string_view path) {
  IJsonValue found = Get(path);
  return found ? found->ToInt() : 0;
}

void TJsonValue::PutInt(std::u16string_view path, std::int64_t value) {
  Put(path, CreateInt(value));
}

double TJsonValue::GetFloat(std::u16string_view path) {
  IJsonValue found = Get(path);
  return found ? found->ToFloat() : 0.0;
}

void TJsonValue::PutFloat(std::u16string_view path, double value) { Put(path, CreateFloat(value)); }

TJsonCurrency TJsonValue::GetMoney(std::u16string_view path) {
  IJsonValue found = Get(path);
  return found ? found->ToMoney() : TJsonCurrency{};
}

void TJsonValue::PutMoney(std::u16string_view path, TJsonCurrency value) {
  Put(path, CreateMoney(value));
}

std::u16string TJsonValue::GetText(std::u16string_view path) {
  IJsonValue found = Get(path);
  return found ? found->ToText() : std::u16string();
}

void TJsonValue::PutText(std::u16string_view path, std::u16string_view text) {
  Put(path, CreateText(text));
}

void TJsonValue::PutText(std::u16string_view path, std::u16string&& text) {
  Put(path, CreateText(std::move(text)));
}

TJsonMethod TJsonValue::GetMethodValue(std::u16string_view path) {
  IJsonValue found = Get(path);
  return found ? found->MethodPointer() : nullptr;
}

void TJsonValue::PutMethodValue(std::u16string_view path, TJsonMethod method) {
  Resolve(path, false, true, paCreate | paStore, CreateMethod(method), skNull);
}

TJsonArray* TJsonValue::GetList(std::u16string_view path) {
  IJsonValue found = Get(path);
  // The storage lives as long as its value; a value that only this call
  // holds (a literal path such as "[1]") would die on return.
  if (!found || found->References() < 2) return nullptr;
  return found->ArrayStore();
}

IJsonValue TJsonValue::GetOrNull(std::u16string_view path) {
  IJsonValue found = Get(path);
  return found ? found : Create(skNull);
}

void TJsonValue::PutOrNull(std::u16string_view path, const IJsonValue& value) {
  Resolve(path, false, true, paCreate | paStore, value ? value : Create(skNull), skNull);
}

IJsonValue TJsonValue::EnsurePath(std::u16string_view path, TJsonKind kind) {
  return Resolve(path, false, true, paCreate, nullptr, kind);
}

IJsonValue TJsonValue::Remove(std::u16string_view path) {
  return Resolve(path, false, true, paRemove, nullptr, skNull);
}

IJsonValue TJsonValue::Invoke(std::u16string_view path, const IJsonValue& param) {
  return Resolve(path, false, true, paCall, param, skNull);
}

IJsonValue TJsonValue::InvokeText(std::u16string_view path, std::u16string_view paramText) {
  return Invoke(path, ParseJson(paramText));
}

std::u16string TJsonValue::ExpandTemplate(std::u16string_view text, char16_t openMark,
                                          char16_t closeMark) {
  std::u16string result;
  result.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t open = text.find(openMark, pos);
    if (open == std::u16string_view::npos) {
      result.append(text.substr(pos));
      break;
    }
    result.append(text.substr(pos, open - pos));
    const std::size_t close = text.find(closeMark, open + 1);
    if (close == std::u16string_view::npos) break;
    result.append(GetText(text.substr(open + 1, close - open - 1)));
    pos = close + 1;
  }
  return result;
}

std::unique_ptr<TJsonEnumerator> TJsonValue::NewEnumerator() {
  return std::make_unique<TJsonEnumerator>(Self());
}
