// The reader on arbitrary documents, in every combination of strict and
// partial reading and with an explicit length. Whatever it builds must survive
// the writer: for each escaping and indentation, the written text must read
// back (strictly, to its end) into a value that writes exactly the same text.
// In its differential mode, on by default (FEROLANT_FUZZ_DIFFERENTIAL=0 turns
// it off), each text is also read with the reader's shortcuts left out, and
// both reads must leave the same state: value, error, offset, token fields,
// buffer and levels.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_text.h"
#include "json/reader/json_reader.h"
#include "json/value/jsonvalue.h"
#include "tests/json/reader/reader_support.h"

namespace {

[[noreturn]] void Fail(const char* what, const std::u16string& first,
                       const std::u16string& second) {
  std::fprintf(stderr, "%s\n  first:  %s\n  second: %s\n", what, Printable(first).c_str(),
               Printable(second).c_str());
  std::abort();
}

void CheckWritesStably(const IJsonValue& value) {
  for (const bool indent : {false, true}) {
    for (const bool escape : {false, true}) {
      const std::u16string written = value->ToJsonText(indent, escape);
      if (escape) {
        for (const char16_t unit : written)
          if (unit > 0x7F) Fail("escaped text holds a unit above U+007F", written, u"");
      }
      const IJsonValue again = ParseText(written, true, false, nullptr, paNone, nullptr, skNull);
      if (!again) Fail("written text does not read back strictly", written, u"");
      const std::u16string rewritten = again->ToJsonText(indent, escape);
      if (rewritten != written) Fail("text changes on a second round", written, rewritten);
    }
  }
}

bool DifferentialMode() {
  static const bool on = [] {
    const char* setting = std::getenv("FEROLANT_FUZZ_DIFFERENTIAL");
    return !setting || std::string(setting) != "0";
  }();
  return on;
}

void CheckShortcutsAgree(const std::u16string& text, bool strict) {
  for (const bool bounded : {false, true}) {
    const auto [fast, slow] = ReadBothWays(text, bounded, strict, [] { return IJsonValue(); });
    if (fast != slow) {
      std::fprintf(stderr,
                   "shortcuts and states differ\n  text: %s\n  with:    %s\n  without: %s\n",
                   Printable(text).c_str(), fast.c_str(), slow.c_str());
      std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::u16string text = FuzzText(data, size);
  for (const bool strict : {false, true}) {
    for (const bool partial : {false, true}) {
      const IJsonValue value = ParseText(text, strict, partial, nullptr, paNone, nullptr, skNull);
      if (value) CheckWritesStably(value);
    }
    // A counted read without a terminating U+0000, as a caller with a buffer does it.
    TJsonTokenizer tokenizer;
    const IJsonValue counted =
        ParseJsonCore(tokenizer, text.data(), static_cast<std::int32_t>(text.size()), strict,
                      nullptr, paNone, nullptr, skNull);
    if (counted) CheckWritesStably(counted);
    if (DifferentialMode()) CheckShortcutsAgree(text, strict);
  }
  return 0;
}
