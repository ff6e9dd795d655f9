#pragma once
// How exchanges are shown to a person debugging an extension or an installation.
#include <cstddef>
#include <ostream>
#include <string>

#include "tools/client/exchange.h"

namespace ferolant::client {

struct TReportOptions {
  std::size_t Show = 2000;  // characters of a data text or body shown; 0 shows all
  bool Raw = false;         // also show each reply body as it came
};

// Prints the request, each reply decoded with its frame size, and the reassembled data.
void PrintExchange(std::ostream& out, std::size_t number, const TExchange& exchange,
                   const TReportOptions& options);

// Shortens text to at most show characters (0 keeps all), saying how much was left out.
std::string Shorten(const std::string& text, std::size_t show);

}  // namespace ferolant::client
