// Serialisation of a value into a sink, and the entry points that pick the sink.
//
// The walk keeps its own stack of open objects and arrays instead of
// recursing, so a document nested deeper than the machine stack allows is
// still written (the reader stops at 31 levels, but values built in code
// have no such limit). Every value on that stack is marked Busy; the marks
// are what keeps a value that contains itself from being entered again, and
// the stack's destructor clears them on every way out, a throwing sink
// included.
#include <algorithm>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "json/value/jsonvalue.h"
#include "json/writer/json_byte_stream.h"
#include "json/writer/json_escape.h"
#include "json/writer/json_number_text.h"
#include "json/writer/json_writer.h"
#include "json/writer/json_writer_sock.h"
#include "json/writer/json_writer_stream.h"

using json::internal::DoubleText;
using json::internal::IntText;
using json::internal::MoneyText;

namespace {

// ToJsonText's sink: the text grows in the string that is handed back, so a
// long reply is not copied once more at the end.
class TTextSink {
 public:
  std::int32_t AppendChars(const char16_t* chars, std::int32_t count) {
    if (count > 0) FText.append(chars, static_cast<std::size_t>(count));
    return count;
  }
  std::u16string& Text() noexcept { return FText; }

 private:
  std::u16string FText;
};

void AppendEscaped(TTextSink& sink, std::u16string_view text, bool escapeNonAscii) {
  ::AppendEscaped(sink.Text(), text, escapeNonAscii);
}

constexpr std::u16string_view kNull = u"null";
constexpr std::u16string_view kSpaces = u"                                ";

// One object or array whose members are being written.
struct TOpenContainer {
  TOpenContainer(TJsonValue& value, bool isObject, std::size_t pendingBase) noexcept
      : Value(&value), IsObject(isObject), PendingBase(pendingBase) {}

  TJsonValue* Value;
  bool IsObject;
  std::int32_t Written = 0;
  // Objects: their members still to visit lie in the shared pending stack
  // from this index up.
  std::size_t PendingBase;
  // Arrays: the slots not yet visited.
  std::span<const IJsonValue> Rest;
};

// The containers being written, outermost first, and the member entries
// still to visit. Destroying it clears the containers' Busy marks.
class TOpenStack {
 public:
  TOpenStack() = default;
  TOpenStack(const TOpenStack&) = delete;
  TOpenStack& operator=(const TOpenStack&) = delete;
  ~TOpenStack() {
    for (const TOpenContainer& open : FOpen) open.Value->SetBusy(false);
  }

  bool Empty() const noexcept { return FOpen.empty(); }
  TOpenContainer& Top() noexcept { return FOpen.back(); }

  void PushObject(TJsonValue& value, const TJsonTableString& table) {
    Reserve();
    FOpen.emplace_back(value, true, FPending.size());
    value.SetBusy(true);
    PushLessSpine(table.RootEntry());
  }
  void PushArray(TJsonValue& value, const TJsonArray& array) {
    Reserve();
    FOpen.emplace_back(value, false, FPending.size()).Rest = array.Items();
    value.SetBusy(true);
  }
  void Pop() noexcept {
    FOpen.back().Value->SetBusy(false);
    FOpen.pop_back();
  }

  // The next member of the top object in walk order (the member table's
  // order: Less side first), or null when all have been visited.
  TJsonAvlEntry* NextEntry() {
    if (FPending.size() <= FOpen.back().PendingBase) return nullptr;
    TJsonAvlEntry* entry = FPending.back();
    FPending.pop_back();
    PushLessSpine(entry->Greater);
    return entry;
  }

 private:
  void Reserve() {
    if (FOpen.capacity() == 0) {
      FOpen.reserve(16);
      FPending.reserve(64);
    }
  }
  void PushLessSpine(TJsonAvlEntry* entry) {
    for (; entry; entry = entry->Less) FPending.push_back(entry);
  }

  std::vector<TOpenContainer> FOpen;
  std::vector<TJsonAvlEntry*> FPending;
};

// A value that is being written further up is left out, like a method value,
// which has no JSON form.
bool IsSkipped(const TJsonValue* value) noexcept {
  return value && (value->IsKind(skMethod) || value->GetBusy());
}

template <class Sink>
class TSerializer {
 public:
  TSerializer(Sink& sink, bool indent, bool escapeNonAscii, std::int32_t level) noexcept
      : FSink(sink), FIndent(indent), FEscape(escapeNonAscii), FLevel(level) {}

  std::int32_t Run(TJsonValue& root) {
    if (root.GetBusy()) return Put(kNull);
    std::int32_t result = Start(root);
    while (!FOpen.Empty()) {
      TOpenContainer& open = FOpen.Top();
      TJsonValue* item = nullptr;
      if (open.IsObject ? NextMember(open, item) : NextElement(open, item)) {
        if (item) {
          Start(*item);  // may push: `open` is not used after this
        } else {
          Put(kNull);
        }
      } else {
        result = Close(open);
        FOpen.Pop();
      }
    }
    return result;
  }

 private:
  std::int32_t Put(std::u16string_view text) {
    return FSink.AppendChars(text.data(), static_cast<std::int32_t>(text.size()));
  }

  void LineBreak() {
    Put(u"\r\n");
    for (std::int32_t left = FLevel; left > 0;) {
      const auto count = std::min<std::int32_t>(left, static_cast<std::int32_t>(kSpaces.size()));
      Put(kSpaces.substr(0, static_cast<std::size_t>(count)));
      left -= count;
    }
  }

  // Writes a scalar whole, or opens a container and leaves its members to
  // the loop in Run. Yields the result of the last append.
  std::int32_t Start(TJsonValue& value) {
    switch (value.GetKind()) {
      case skNull:
        return Put(kNull);
      case skBoolean:
        return Put(value.ToBool() ? u"true" : u"false");
      case skInt:
        return Put(IntText(value.ToInt()).View());
      case skDouble:
        return Put(DoubleText(value.ToFloat()).View());
      case skCurrency:
        return Put(MoneyText(value.ToMoney().Units).View());
      case skString: {
        Put(u"\"");
        AppendEscaped(FSink, value.TextRef(), FEscape);
        // 0 as for every string, unless the sink has failed.
        return std::min(Put(u"\""), 0);
      }
      case skObject: {
        const TJsonTableString* table = value.MemberTable();
        if (!table || table->EntryCount() <= 0) return Put(u"{}");
        FOpen.PushObject(value, *table);
        if (FIndent) ++FLevel;
        return Put(u"{");
      }
      case skArray: {
        const TJsonArray* array = value.ArrayStore();
        if (!array || array->Used() <= 0) return Put(u"[]");
        FOpen.PushArray(value, *array);
        const std::int32_t result = Put(u"[");
        if (FIndent) {
          ++FLevel;
          LineBreak();
        }
        return result;
      }
      default:  // skMethod
        return 0;
    }
  }

  // Writes the next member's name and separator; false when none is left.
  bool NextMember(TOpenContainer& open, TJsonValue*& item) {
    while (TJsonAvlEntry* entry = FOpen.NextEntry()) {
      item = entry->ValueRef.get();
      if (IsSkipped(item)) continue;
      if (open.Written++ > 0) Put(u",");
      if (FIndent) LineBreak();
      Put(u"\"");
      AppendEscaped(FSink, entry->EntryName, FEscape);
      Put(FIndent ? u"\": " : u"\":");
      return true;
    }
    return false;
  }

  // Writes the separator before the next element; false when none is left.
  bool NextElement(TOpenContainer& open, TJsonValue*& item) {
    while (!open.Rest.empty()) {
      item = open.Rest.front().get();
      open.Rest = open.Rest.subspan(1);
      if (IsSkipped(item)) continue;
      if (open.Written++ > 0) Put(u",");
      return true;
    }
    return false;
  }

  std::int32_t Close(const TOpenContainer& open) {
    if (FIndent) --FLevel;
    if (!open.IsObject) return Put(u"]");
    if (FIndent) LineBreak();
    return Put(u"}");
  }

  Sink& FSink;
  const bool FIndent;
  const bool FEscape;
  std::int32_t FLevel;
  TOpenStack FOpen;
};

template <class Sink>
std::int32_t Serialize(TJsonValue& value, Sink& sink, bool indent, bool escapeNonAscii,
                       std::int32_t level) {
  return TSerializer<Sink>(sink, indent, escapeNonAscii, level).Run(value);
}

}  // namespace

std::int32_t TJsonValue::WriteJson(TJsonWriter& writer, bool indent, bool escapeNonAscii,
                                   std::int32_t level) {
  // The in-memory sink is by far the most used; let its appends inline.
  if (auto* text = dynamic_cast<TJsonWriterString*>(&writer)) {
    return Serialize(*this, *text, indent, escapeNonAscii, level);
  }
  return Serialize(*this, writer, indent, escapeNonAscii, level);
}

std::u16string TJsonValue::ToJsonText(bool indent, bool escapeNonAscii) {
  TTextSink sink;
  if (Serialize(*this, sink, indent, escapeNonAscii, 0) < 0) return {};
  // Both escapings turn U+0000 into \u0000, so the whole text is the JSON.
  return std::move(sink.Text());
}

std::int32_t TJsonValue::WriteToStream(TJsonByteStream& stream, bool indent, bool escapeNonAscii) {
  // Escaped text is pure ASCII and goes one byte per unit; otherwise UTF-16LE.
  TJsonAnsiWriterStream ansi(stream);
  TJsonUnicodeWriterStream unicode(stream);
  TJsonWriterStream& sink = escapeNonAscii ? static_cast<TJsonWriterStream&>(ansi) : unicode;
  if (WriteJson(sink, indent, escapeNonAscii, 0) < 0) {
    sink.ResetOutput();
    return 0;
  }
  return static_cast<std::int32_t>(stream.Size());
}

std::int32_t TJsonValue::WriteToFile(std::u16string_view fileName, bool indent,
                                     bool escapeNonAscii) {
  fileName = fileName.substr(0, fileName.find(u'\0'));
  TJsonFileStream file{std::filesystem::path(std::u16string(fileName))};
  if (!file.IsOpen()) return -1;
  const std::int32_t result = WriteToStream(file, indent, escapeNonAscii);
  // Buffered bytes that cannot be flushed are lost text as well.
  if (!file.Close()) return 0;
  return result;
}

std::int32_t TJsonValue::WriteToSocket(TJsonSocketHandle socket, bool indent, bool escapeNonAscii) {
  TJsonWriterSock sink(socket);
  if (Serialize(*this, sink, indent, escapeNonAscii, 0) < 0) return 0;
  return sink.SentBytes();
}

std::int32_t TJsonValue::MeasureJson(bool indent, bool escapeNonAscii) {
  TJsonWriterFake sink;
  if (Serialize(*this, sink, indent, escapeNonAscii, 0) < 0) return 0;
  return sink.CharTotal();
}
