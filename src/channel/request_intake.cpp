#include "channel/request_intake.h"

#include <algorithm>
#include <utility>

#include "channel/decode_param.h"
#include "channel/plain_request.h"
#include "json/value/json_table.h"
#include "json/value/jsonvalue.h"
#include "platform/code_page.h"
#include "text/ascii_runs.h"

namespace {

// Parameters are read in a gap-free run from "param1" up to "param10".
constexpr std::u16string_view kParamNames[] = {u"param1", u"param2", u"param3", u"param4",
                                               u"param5", u"param6", u"param7", u"param8",
                                               u"param9", u"param10"};

}  // namespace

TRoute RouteOf(std::string_view method) {
  struct TName {
    std::string_view Name;
    TRoute Route;
  };
  static constexpr TName kRoutes[] = {
#define FEROLANT_ROUTE_NAME(name, route, handler) {name, TRoute::route},
      FEROLANT_ROUTES(FEROLANT_ROUTE_NAME)
#undef FEROLANT_ROUTE_NAME
  };
  // Every code page upper-cases ASCII a-z to A-Z and keeps the rest of ASCII: a short name in
  // ASCII, as all of the table's are, is upper-cased on the stack.
  char shortKey[40];
  std::string longKey;
  std::string_view key;
  if (method.size() <= sizeof shortKey &&
      AsciiRunLength(method.data(), method.size()) == method.size()) {
    std::transform(method.begin(), method.end(), shortKey, [](char c) {
      return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    });
    key = std::string_view(shortKey, method.size());
  } else {
    longKey = platform::AnsiUpperCase(method);
    key = longKey;
  }
  for (const TName& route : kRoutes) {
    if (key == route.Name) return route.Route;
  }
  return TRoute::UnknownMethod;
}

namespace {

// A member by its plain name. An object's is looked up in its table at once: the path reader
// first makes sure the name is no path, which for the dozen names of a small request cost
// more than finding them.
IJsonValue Member(const IJsonValue& value, std::u16string_view name) {
  if (!value) return nullptr;
  if (const TJsonTableString* table = value->MemberTable()) return table->Lookup(name);
  return value->Get(name);
}

// The fields as the JSON reader reads them: views into the document.
std::optional<TRequestFields> ReadDocumentFields(const IJsonValue& document) {
  const IJsonValue method = Member(document, u"metoda");
  const IJsonValue params = Member(document, u"parametry");
  const IJsonValue tab = Member(document, u"tabID");
  if (!KindIs(method, skString) || !KindIs(params, skObject)) return std::nullopt;

  TRequestFields fields;
  fields.Method = method->TextRef();
  if (tab) fields.TabID = tab->ToInt();
  for (const std::u16string_view name : kParamNames) {
    const IJsonValue param = Member(params, name);
    if (!KindIs(param, skString)) break;
    fields.Params[fields.ParamCount++] = param->TextRef();
  }
  return fields;
}

// ASCII is itself in every code page: most names are narrowed without the code page.
std::string MethodBytes(std::string_view ascii) { return std::string(ascii); }
std::string MethodBytes(std::u16string_view text) {
  std::string bytes(text.size(), '\0');
  if (NarrowAsciiRun(text.data(), text.size(), bytes.data()) == text.size()) return bytes;
  return platform::WideToThreadAnsi(text);
}

// A parameter in ASCII decodes to itself.
std::u16string ParamText(std::string_view ascii) {
  std::u16string text(ascii.size(), u'\0');
  WidenAsciiRun(ascii.data(), ascii.size(), text.data());
  return text;
}
std::u16string ParamText(std::u16string_view text) { return DecodeParam(text); }

template <typename TUnit>
TRequest MakeRequest(const TRequestFieldsOf<TUnit>& fields) {
  TRequest request;
  request.TabID = static_cast<std::int32_t>(static_cast<std::uint32_t>(fields.TabID.value_or(0)));
  request.Method = MethodBytes(fields.Method);
  request.Route = RouteOf(request.Method);
  request.Params.reserve(fields.ParamCount);
  for (std::size_t i = 0; i < fields.ParamCount; ++i) {
    request.Params.push_back(ParamText(fields.Params[i]));
  }
  return request;
}

// A message in ASCII and the plain form, read as it came; nothing for any other.
std::optional<TRequest> TakeAsciiRequest(std::string_view bytes) {
  if (AsciiRunLength(bytes.data(), bytes.size()) != bytes.size()) return std::nullopt;
  const std::optional<TRequestFieldsOf<char>> plain = ReadPlainRequest(bytes);
  if (!plain) return std::nullopt;
  return MakeRequest(*plain);
}

// The request in wide text, which goes as soon as it is parsed.
std::optional<TRequest> TakeRequestText(std::u16string wideText, bool plainFirst = true) {
  if (plainFirst) {
    if (const std::optional<TRequestFields> plain = ReadPlainRequest(wideText)) {
      return MakeRequest(*plain);
    }
  }
  const IJsonValue document = ParseJson(wideText);
  std::u16string().swap(wideText);
  const std::optional<TRequestFields> fields = ReadDocumentFields(document);
  if (!fields) return std::nullopt;
  return MakeRequest(*fields);
}

}  // namespace

std::optional<TRequest> TakeRequest(std::string_view bytes) {
  if (std::optional<TRequest> request = TakeAsciiRequest(bytes)) return request;
  return TakeRequestText(platform::ThreadAnsiToWide(bytes));
}

std::optional<TRequest> TakeRequest(std::string&& bytes) {
  // Each form of a large message goes as soon as the next one exists: the
  // bytes once they are wide text, the wide text once it is parsed.
  if (std::optional<TRequest> request = TakeAsciiRequest(bytes)) {
    std::string().swap(bytes);
    return request;
  }
  std::u16string wideText = platform::ThreadAnsiToWide(bytes);
  std::string().swap(bytes);
  return TakeRequestText(std::move(wideText));
}

std::optional<TRequest> TakeRequestByReader(std::string_view bytes) {
  return TakeRequestText(platform::ThreadAnsiToWide(bytes), /*plainFirst=*/false);
}
