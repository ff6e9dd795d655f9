// Interim parse wrapper: documents "{}" and empty text, and single plain
// member names on an object. The full reader replaces this file.
#include "json/jsonvalue.h"

IJsonValue ParseText(std::u16string_view text, bool /*strict*/, bool /*partial*/,
                     const IJsonValue& self, TJsonPathActions actions, const IJsonValue& putValue,
                     TJsonKind kind) {
  if (const std::size_t end = text.find(u'\0'); end != std::u16string_view::npos) {
    text = text.substr(0, end);
  }
  if (!self) {
    if (text == u"{}") return TJsonValue::Create(skObject);
    if (text.empty()) return TJsonValue::Create(skString);
    return nullptr;
  }
  TJsonTableString* table = self->MemberTable();
  if (!table || text.empty()) return nullptr;
  if (HasAction(actions, paStore)) {
    table->Store(text, putValue);
  } else if (HasAction(actions, paRemove)) {
    return table->RemoveByName(text);
  } else if (HasAction(actions, paCreate) && !table->Lookup(text)) {
    table->Store(text, TJsonValue::Create(kind));
  }
  return table->Lookup(text);
}

IJsonValue ParseJson(std::u16string_view text) {
  return ParseText(text, false, true, nullptr, paNone, nullptr, skNull);
}
