// Reference-counted JSON values.
//
// A document is a tree of TJsonValue records, always handled through the
// intrusive reference IJsonValue. Values are shared, never copied implicitly:
// each holder (a caller's IJsonValue, a member of an object, a slot of an
// array) owns one count, and the release that takes the count to zero
// destroys the value together with what it holds. A value knows nothing of
// its containers, so a value that holds itself keeps itself alive until
// MakeEmpty or a removal breaks the cycle.
//
// Values live on the heap only: construction and destruction are private, and
// the release that takes the count to zero is the one place that destroys a
// value, so a value that is still referenced cannot be destroyed.
//
// No value (a default-constructed IJsonValue, "nil") is distinct from a value
// of kind skNull; KindOf / KindIs treat both alike.
//
// Currency amounts are TJsonCurrency: a signed 64-bit count of ten-thousandths.
// Method values hold a TJsonMethod, a plain function pointer called with the
// container that holds the method and the parameter value.
//
// Text is UTF-16 (std::u16string). Paths are read as UTF-16 text up to their
// end or their first U+0000 unit, whichever comes first.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "json/value/json_block_cache.h"

class TJsonValue;
class TJsonTableString;
class TJsonArray;
class TJsonWriter;
class TJsonByteStream;
class TJsonEnumerator;

// The kind numbers are part of the interface (GetKind yields them).
enum TJsonKind : std::uint8_t {
  skNull = 0,
  skBoolean = 1,
  skDouble = 2,
  skCurrency = 3,
  skInt = 4,
  skObject = 5,
  skArray = 6,
  skString = 7,
  skMethod = 8,
};

// What the path reader does at the steps of a path; a set of bit flags.
enum TJsonPathActions : std::uint8_t {
  paNone = 0,
  paCreate = 1,  // create what is missing on the way
  paStore = 2,   // store the put value at the end of the path
  paRemove = 4,  // remove what the path addresses
  paCall = 8,    // call the method value that the path addresses
};

constexpr TJsonPathActions operator|(TJsonPathActions a, TJsonPathActions b) noexcept {
  return static_cast<TJsonPathActions>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}
constexpr TJsonPathActions operator&(TJsonPathActions a, TJsonPathActions b) noexcept {
  return static_cast<TJsonPathActions>(static_cast<unsigned>(a) & static_cast<unsigned>(b));
}
constexpr bool HasAction(TJsonPathActions set, TJsonPathActions action) noexcept {
  return (static_cast<unsigned>(set) & static_cast<unsigned>(action)) != 0;
}

// A currency amount: Units is the amount times 10000 (four implied decimals).
struct TJsonCurrency {
  static constexpr std::int64_t Scale = 10000;
  std::int64_t Units = 0;

  static constexpr TJsonCurrency FromUnits(std::int64_t units) noexcept { return {units}; }
  friend constexpr bool operator==(TJsonCurrency, TJsonCurrency) noexcept = default;
};

// Raised for runtime failures that pass through the JSON library, such as
// rounding a number that does not fit a signed 64-bit integer. Everything
// else in the library reports failure as a result (nil, false, 0, "").
class EJsonError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr const char* kJsonInvalidFloatOp = "Invalid floating point operation";

enum TJsonCompareResult : std::int8_t { crLess = -1, crEqual = 0, crGreater = 1, crError = 2 };

// Socket handle for WriteToSocket; wide enough for any platform's handle.
using TJsonSocketHandle = std::uintptr_t;

// The intrusive shared reference to a TJsonValue. Copying adds a reference,
// destruction drops one; default construction gives nil.
class IJsonValue {
 public:
  constexpr IJsonValue() noexcept = default;
  constexpr IJsonValue(std::nullptr_t) noexcept {}
  // Takes a new reference to value (which may be null).
  explicit IJsonValue(TJsonValue* value) noexcept;
  IJsonValue(const IJsonValue& other) noexcept;
  IJsonValue(IJsonValue&& other) noexcept : FValue(std::exchange(other.FValue, nullptr)) {}
  ~IJsonValue();

  IJsonValue& operator=(const IJsonValue& other) noexcept;
  IJsonValue& operator=(IJsonValue&& other) noexcept;
  IJsonValue& operator=(std::nullptr_t) noexcept;

  TJsonValue* get() const noexcept { return FValue; }
  TJsonValue* operator->() const noexcept { return FValue; }
  TJsonValue& operator*() const noexcept { return *FValue; }
  explicit operator bool() const noexcept { return FValue != nullptr; }
  void reset() noexcept { *this = nullptr; }

  friend bool operator==(const IJsonValue& a, const IJsonValue& b) noexcept {
    return a.FValue == b.FValue;
  }
  friend bool operator==(const IJsonValue& a, std::nullptr_t) noexcept { return !a.FValue; }

 private:
  friend class TJsonValue;
  struct TAdopt {};
  // Takes over a reference that the value already counts.
  IJsonValue(TJsonValue* value, TAdopt) noexcept : FValue(value) {}

  TJsonValue* FValue = nullptr;
};

// The procedure of a method value: called with the container that holds the
// method and the parameter value (nil, one value, or an array of arguments).
using TJsonMethod = IJsonValue (*)(const IJsonValue& self, const IJsonValue& param);

class TJsonValue {
 public:
  // Creators. Each yields the first reference to a new value.
  static IJsonValue Create(TJsonKind kind);
  static IJsonValue CreateBool(bool value);
  static IJsonValue CreateInt(std::int64_t value);
  static IJsonValue CreateFloat(double value);
  static IJsonValue CreateMoney(TJsonCurrency value);
  static IJsonValue CreateText(std::u16string_view text);
  static IJsonValue CreateText(std::u16string&& text);
  static IJsonValue CreateText(const char16_t* text) {
    return CreateText(std::u16string_view(text));
  }
  static IJsonValue CreateMethod(TJsonMethod method);

  TJsonValue(const TJsonValue&) = delete;
  TJsonValue& operator=(const TJsonValue&) = delete;

  // Counting. Only IJsonValue should need these.
  void AddRef() noexcept { FReferences.fetch_add(1, std::memory_order_relaxed); }
  void Release() noexcept;
  std::int32_t References() const noexcept { return FReferences.load(std::memory_order_relaxed); }

  TJsonKind GetKind() const noexcept { return FKind; }
  bool IsKind(TJsonKind kind) const noexcept { return FKind == kind; }
  bool GetBusy() const noexcept { return FBusy; }
  void SetBusy(bool busy) noexcept { FBusy = busy; }
  void* GetUserData() const noexcept { return FUserData; }
  void SetUserData(void* data) noexcept { FUserData = data; }

  // Conversions; none fails on an unsuitable kind. ToInt and ToMoney raise
  // EJsonError when a rounded result does not fit 64 bits.
  bool ToBool() const noexcept;
  std::int64_t ToInt() const;
  double ToFloat() const noexcept;
  TJsonCurrency ToMoney() const;
  std::u16string ToText() const;
  // The text of a string value without a copy; empty for other kinds.
  const std::u16string& TextRef() const noexcept;

  TJsonArray* ArrayStore() const noexcept;
  TJsonTableString* MemberTable() const noexcept;
  TJsonMethod MethodPointer() const noexcept;

  // Path accessors. A path is absent when it resolves to no value.
  IJsonValue Get(std::u16string_view path);
  void Put(std::u16string_view path, const IJsonValue& value);
  bool GetBool(std::u16string_view path);
  void PutBool(std::u16string_view path, bool value);
  std::int64_t GetInt(std::u16string_view path);
  void PutInt(std::u16string_view path, std::int64_t value);
  double GetFloat(std::u16string_view path);
  void PutFloat(std::u16string_view path, double value);
  TJsonCurrency GetMoney(std::u16string_view path);
  void PutMoney(std::u16string_view path, TJsonCurrency value);
  std::u16string GetText(std::u16string_view path);
  void PutText(std::u16string_view path, std::u16string_view text);
  void PutText(std::u16string_view path, std::u16string&& text);
  void PutText(std::u16string_view path, const char16_t* text) {
    PutText(path, std::u16string_view(text));
  }
  TJsonMethod GetMethodValue(std::u16string_view path);
  void PutMethodValue(std::u16string_view path, TJsonMethod method);
  TJsonArray* GetList(std::u16string_view path);
  IJsonValue GetOrNull(std::u16string_view path);
  void PutOrNull(std::u16string_view path, const IJsonValue& value);
  IJsonValue EnsurePath(std::u16string_view path, TJsonKind kind);
  IJsonValue Remove(std::u16string_view path);
  IJsonValue Invoke(std::u16string_view path, const IJsonValue& param);
  IJsonValue InvokeText(std::u16string_view path, std::u16string_view paramText);
  std::u16string ExpandTemplate(std::u16string_view text, char16_t openMark, char16_t closeMark);

  // Serialisation (the writer's sinks live in json_writer.h). Negative
  // results mean failure.
  std::int32_t WriteJson(TJsonWriter& writer, bool indent, bool escapeNonAscii, std::int32_t level);
  std::u16string ToJsonText(bool indent, bool escapeNonAscii);
  std::int32_t WriteToStream(TJsonByteStream& stream, bool indent, bool escapeNonAscii);
  std::int32_t WriteToFile(std::u16string_view fileName, bool indent, bool escapeNonAscii);
  std::int32_t WriteToSocket(TJsonSocketHandle socket, bool indent, bool escapeNonAscii);
  std::int32_t MeasureJson(bool indent, bool escapeNonAscii);

  void MakeEmpty(bool deep);
  void Compact(bool deep);
  IJsonValue DeepCopy() const;
  void MergeFrom(const IJsonValue& other, bool share);
  TJsonCompareResult CompareWith(const IJsonValue& other) const;
  std::unique_ptr<TJsonEnumerator> NewEnumerator();

 private:
  explicit TJsonValue(TJsonKind kind);
  // Reached only from Release, when the last reference goes.
  ~TJsonValue();
  // Values come and go by the thousand with the documents that hold them.
  static void* operator new(std::size_t size) { return json_blocks::TakeBlock(size); }
  static void operator delete(void* block, std::size_t size) noexcept {
    json_blocks::GiveBlock(block, size);
  }
  // Frees this value and, without recursing, every value that its end frees.
  void Destroy() noexcept;

  static IJsonValue Adopt(TJsonValue* fresh) noexcept;
  IJsonValue Self() noexcept { return IJsonValue(this); }
  IJsonValue Resolve(std::u16string_view path, bool strict, bool partial, TJsonPathActions actions,
                     const IJsonValue& putValue, TJsonKind kind);

  std::atomic<std::int32_t> FReferences{1};
  bool FBusy = false;
  TJsonKind FKind;
  // The caller's while the value lives; once it is dead, the link to the next
  // value waiting to be freed (see Destroy).
  void* FUserData = nullptr;
  union {
    bool Boolean;
    double Float;
    std::int64_t Integer;  // skInt, and skCurrency in ten-thousandths
    TJsonTableString* Table;
    TJsonArray* Array;
    TJsonMethod Method;
  } FPayload;
  std::u16string FText;
};

inline IJsonValue::IJsonValue(TJsonValue* value) noexcept : FValue(value) {
  if (FValue) FValue->AddRef();
}
inline IJsonValue::IJsonValue(const IJsonValue& other) noexcept : FValue(other.FValue) {
  if (FValue) FValue->AddRef();
}
inline IJsonValue::~IJsonValue() {
  if (FValue) FValue->Release();
}
inline IJsonValue& IJsonValue::operator=(const IJsonValue& other) noexcept {
  if (other.FValue) other.FValue->AddRef();
  TJsonValue* old = std::exchange(FValue, other.FValue);
  if (old) old->Release();
  return *this;
}
inline IJsonValue& IJsonValue::operator=(IJsonValue&& other) noexcept {
  if (this != &other) {
    TJsonValue* old = std::exchange(FValue, std::exchange(other.FValue, nullptr));
    if (old) old->Release();
  }
  return *this;
}
inline IJsonValue& IJsonValue::operator=(std::nullptr_t) noexcept {
  if (TJsonValue* old = std::exchange(FValue, nullptr)) old->Release();
  return *this;
}
inline void TJsonValue::Release() noexcept {
  // A count of one is the caller's own reference: no other holder is left to
  // add or drop one, so the value goes without the locked decrement (most
  // values of a document have a single holder).
  if (FReferences.load(std::memory_order_acquire) == 1 ||
      FReferences.fetch_sub(1, std::memory_order_acq_rel) == 1) {
    Destroy();
  }
}

// nil counts as skNull.
inline TJsonKind KindOf(const IJsonValue& value) noexcept {
  return value ? value->GetKind() : skNull;
}
inline bool KindIs(const IJsonValue& value, TJsonKind kind) noexcept {
  return KindOf(value) == kind;
}

// The parse wrapper under ParseJson and every path accessor. With a self
// value the text is a path on it; the actions, putValue and kind steer what
// happens at its steps. Yields nil on a reader error, and when partial is
// false and text is left over.
IJsonValue ParseText(std::u16string_view text, bool strict, bool partial, const IJsonValue& self,
                     TJsonPathActions actions, const IJsonValue& putValue, TJsonKind kind);
// Lenient reading of one document; text behind the first value is ignored.
IJsonValue ParseJson(std::u16string_view text);

#include "json/value/json_array.h"
#include "json/value/json_table.h"
