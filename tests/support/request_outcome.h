// What request intake makes of a message, thrown errors included, as one string: two ways of
// taking a message are the same when their outcomes are.
#pragma once

#include <exception>
#include <optional>
#include <string>
#include <string_view>

#include "channel/request_intake.h"

inline std::string RequestOutcome(std::optional<TRequest> (*take)(std::string_view),
                                  std::string_view bytes) {
  try {
    const std::optional<TRequest> request = take(bytes);
    if (!request) return "nothing";
    std::string out = request->Method + '\0' + std::to_string(static_cast<int>(request->Route)) +
                      '\0' + std::to_string(request->TabID);
    for (const std::u16string& param : request->Params) {
      out += '\0';
      for (const char16_t unit : param) out += std::to_string(unit) + ',';
    }
    return out;
  } catch (const std::exception& error) {
    return std::string("raised ") + error.what();
  }
}
