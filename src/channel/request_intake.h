// Request intake: one message's bytes turned into what the handlers need.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "channel/routes.h"

// The route of a method name as received, matched in any letter case of the
// thread ANSI code page.
TRoute RouteOf(std::string_view method);

struct TRequest {
  // As received, in the thread ANSI code page: the reply echoes it.
  std::string Method;
  TRoute Route = TRoute::UnknownMethod;
  // The low 32 bits of whatever "tabID" converts to; 0 without one.
  std::int32_t TabID = 0;
  // "param1" upwards while each is present and a string (at most ten), each
  // decoded back into the text the browser sent.
  std::vector<std::u16string> Params;
};

// The request in bytes (one character per byte); nothing for a message that
// is not a JSON object with a string "metoda" and an object "parametry".
// Raises when "tabID" converts to no integer.
std::optional<TRequest> TakeRequest(std::string_view bytes);
// The same, giving the bytes up as soon as they have been read, so that a
// large message is not held twice.
std::optional<TRequest> TakeRequest(std::string&& bytes);
// The same, read by the JSON reader alone: what the plain path (plain_request.h) is held to.
std::optional<TRequest> TakeRequestByReader(std::string_view bytes);
