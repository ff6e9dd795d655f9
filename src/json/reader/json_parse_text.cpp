// The parse wrapper: one tokenizer per call, around one reader run.
#include <string_view>

#include "json/reader/json_reader.h"
#include "json/reader/json_reader_chars.h"
#include "json/value/jsonvalue.h"

namespace {

// A path that the reader would take as one member name of an object base
// and nothing else: no path stops, and no start that reads as a value or a
// comment (a quote, a sign, a solidus, a keyword).
bool IsPlainMemberName(std::u16string_view path) noexcept {
  if (path.empty()) return false;
  const char16_t first = path.front();
  if (first == u'\'' || first == u'-' || first == u'/') return false;
  for (const char16_t c : path) {
    if (c < 0x80 && json::internal::chars::IsPathStop(c)) return false;
  }
  return !(path.starts_with(u"null") || path.starts_with(u"true") || path.starts_with(u"false"));
}

// What the reader does with such a path, without a tokenizer: the host
// resolves a dozen plain names per request.
IJsonValue ResolvePlainMember(const IJsonValue& self, std::u16string_view name,
                              TJsonPathActions actions, const IJsonValue& putValue,
                              TJsonKind kind) {
  TJsonTableString& table = *self->MemberTable();
  IJsonValue current;
  if (HasAction(actions, paStore)) {
    table.Store(name, putValue);
    current = table.Lookup(name);
  } else if (HasAction(actions, paRemove)) {
    current = table.RemoveByName(name);
  } else {
    if (HasAction(actions, paCreate) && !table.Lookup(name)) {
      table.Store(name, TJsonValue::Create(kind));
    }
    current = table.Lookup(name);
  }
  if (HasAction(actions, paCall) && KindIs(current, skMethod)) {
    if (const TJsonMethod method = current->MethodPointer()) return method(self, putValue);
  }
  return current;
}

}  // namespace

IJsonValue ParseText(std::u16string_view text, bool strict, bool partial, const IJsonValue& self,
                     TJsonPathActions actions, const IJsonValue& putValue, TJsonKind kind) {
  if (KindIs(self, skObject) && IsPlainMemberName(text)) {
    return ResolvePlainMember(self, text, actions, putValue, kind);
  }
  TJsonTokenizer tokenizer;
  IJsonValue result = ParseJsonCore(tokenizer, text, strict, self, actions, putValue, kind);
  if (tokenizer.ErrorCode != jeNone) return nullptr;
  if (!partial) {
    // Anything but the end of the text (or a U+0000 in it) where the reader stopped is
    // text left over.
    const auto offset = static_cast<std::size_t>(tokenizer.CharOffset);
    if (offset < text.size() && text[offset] != u'\0') return nullptr;
  }
  return result;
}

IJsonValue ParseJson(std::u16string_view text) {
  return ParseText(text, false, true, nullptr, paNone, nullptr, skNull);
}
