#include "channel/request_intake.h"

#include <utility>

#include "channel/decode_param.h"
#include "json/value/json_table.h"
#include "json/value/jsonvalue.h"
#include "platform/code_page.h"

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
  const std::string key = platform::AnsiUpperCase(method);
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

// The request in wide text, which goes as soon as it is parsed.
std::optional<TRequest> TakeRequestText(std::u16string wideText) {
  const IJsonValue document = ParseJson(wideText);
  std::u16string().swap(wideText);
  if (!document) return std::nullopt;

  const IJsonValue method = Member(document, u"metoda");
  const IJsonValue params = Member(document, u"parametry");
  const IJsonValue tab = Member(document, u"tabID");
  if (!KindIs(method, skString) || !KindIs(params, skObject)) return std::nullopt;

  TRequest request;
  request.TabID = tab ? static_cast<std::int32_t>(static_cast<std::uint32_t>(tab->ToInt())) : 0;
  request.Method = platform::WideToThreadAnsi(method->TextRef());
  request.Route = RouteOf(request.Method);
  for (const std::u16string_view name : kParamNames) {
    const IJsonValue param = Member(params, name);
    if (!KindIs(param, skString)) break;
    request.Params.push_back(DecodeParam(param->TextRef()));
  }
  return request;
}

}  // namespace

std::optional<TRequest> TakeRequest(std::string_view bytes) {
  return TakeRequestText(platform::ThreadAnsiToWide(bytes));
}

std::optional<TRequest> TakeRequest(std::string&& bytes) {
  // Each form of a large message goes as soon as the next one exists: the
  // bytes once they are wide text, the wide text once it is parsed.
  std::u16string wideText = platform::ThreadAnsiToWide(bytes);
  std::string().swap(bytes);
  return TakeRequestText(std::move(wideText));
}
