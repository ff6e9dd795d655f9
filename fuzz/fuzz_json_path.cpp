// The path accessors with arbitrary paths on one fixed document. Each call
// gets a fresh copy of the document. Get must leave it as it was; after any
// accessor the document must still write text that reads back into a value
// that writes the same text again.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_text.h"
#include "json/value/jsonvalue.h"

namespace {

// A document with a member of every kind, nested objects and arrays, and a
// method value, so that paths can reach every kind of step.
constexpr std::u16string_view kDocument =
    u"{\"name\":\"v\",\"n\":null,\"t\":true,\"i\":42,\"c\":1.5,\"d\":1.23456,"
    u"\"list\":[10,20,[1,2,[3]],{\"k\":\"v\",\"o\":{}},[],null],"
    u"\"obj\":{\"a\":{\"b\":1,\"c\":[{\"d\":2}]},\"e\":{},\"arr\":[]},"
    u"\"123\":\"digits\",\"a b\":\"space\",\"\\u010d\":\"wide\"}";

// A method that answers with its argument, or with 7 when it has none.
IJsonValue Echo(const IJsonValue&, const IJsonValue& param) {
  return param ? param : TJsonValue::CreateInt(7);
}

IJsonValue FreshDocument() {
  IJsonValue document = ParseJson(kDocument);
  document->PutMethodValue(u"m", Echo);
  document->Get(u"obj")->PutMethodValue(u"m", Echo);
  return document;
}

[[noreturn]] void Fail(const char* what, const std::u16string& path, const std::u16string& text) {
  std::fprintf(stderr, "%s\n  path: %s\n  text: %s\n", what, Printable(path).c_str(),
               Printable(text).c_str());
  std::abort();
}

// The deepest nesting of objects and arrays in compact written text.
int Nesting(const std::u16string& text) {
  int depth = 0, deepest = 0;
  bool inString = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (inString) {
      if (c == u'\\')
        ++i;
      else if (c == u'"')
        inString = false;
    } else if (c == u'"') {
      inString = true;
    } else if (c == u'[' || c == u'{') {
      deepest = std::max(deepest, ++depth);
    } else if (c == u']' || c == u'}') {
      --depth;
    }
  }
  return deepest;
}

void CheckWritesStably(const IJsonValue& document, const std::u16string& path) {
  const std::u16string written = document->ToJsonText(false, true);
  // Paths may build deeper than the reader reads (31 levels around a value);
  // such a document is written but, by design, not read back.
  if (Nesting(written) > 31) return;
  const IJsonValue again = ParseText(written, true, false, nullptr, paNone, nullptr, skNull);
  if (!again) Fail("the document no longer reads back", path, written);
  if (again->ToJsonText(false, true) != written)
    Fail("the document text is not stable", path, written);
}

// Storing at an array index makes every slot below it (by design), so a long
// run of digits would only measure the allocator.
bool HasHugeIndex(const std::u16string& path) {
  int digits = 0;
  for (const char16_t c : path) {
    digits = c >= u'0' && c <= u'9' ? digits + 1 : 0;
    if (digits > 5) return true;
  }
  return false;
}

// Paths may leave values in the document that hold one another in a cycle
// (a literal array whose elements create members of the document, say),
// which by design keeps them alive; emptying every container breaks such
// cycles, so what still leaks afterwards is a counting fault.
void Dispose(const IJsonValue& document) { document->MakeEmpty(true); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte picks where the path starts and the kind EnsurePath creates.
  const std::uint8_t choice = data[0];
  const std::u16string path = FuzzText(data + 1, size - 1);
  if (HasHugeIndex(path)) return 0;
  const auto base = [&](const IJsonValue& document) {
    switch (choice & 3) {
      case 1:
        return document->Get(u"list");
      case 2:
        return document->Get(u"name");
      case 3:
        return document->Get(u"m");
      default:
        return document;
    }
  };
  const auto kind = static_cast<TJsonKind>((choice >> 2) % 9);

  {
    const IJsonValue document = FreshDocument();
    const std::u16string before = document->ToJsonText(false, true);
    const IJsonValue found = base(document)->Get(path);
    if (found) found->ToJsonText(false, true);
    if (document->ToJsonText(false, true) != before) Fail("Get changed the document", path, before);
    Dispose(document);
  }
  {
    const IJsonValue document = FreshDocument();
    base(document)->Put(path, ParseJson(u"{\"z\":[1]}"));
    CheckWritesStably(document, path);
    Dispose(document);
  }
  {
    const IJsonValue document = FreshDocument();
    const IJsonValue removed = base(document)->Remove(path);
    CheckWritesStably(document, path);
    if (removed) removed->ToJsonText(false, true);
    Dispose(document);
  }
  {
    const IJsonValue document = FreshDocument();
    const IJsonValue ensured = base(document)->EnsurePath(path, kind);
    CheckWritesStably(document, path);
    if (ensured) ensured->ToJsonText(false, true);
    Dispose(document);
  }
  return 0;
}
