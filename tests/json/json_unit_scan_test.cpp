// The reader finds the end of a run of string characters a block at a time;
// wherever the stop falls in or across the blocks, and whatever unit it is,
// the run must end exactly where a unit-by-unit search ends it.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "json/json_unit_scan.h"

namespace {

std::size_t StopUnitByUnit(std::u16string_view text, char16_t quote) {
  std::size_t i = 0;
  while (i < text.size() && text[i] != quote && text[i] != u'\\' && text[i] != 0) ++i;
  return i;
}

TEST(JsonUnitScan, StringRunsEndAtTheFirstQuoteBackslashOrZero) {
  // Units close to the stops in value and in their bytes (0x22 in the high
  // byte, 0x5C00, 0xFFFF), so that no lane test that is nearly right passes.
  static const char16_t kPlain[] = {u'a',      u'\u010d', u'\'',     u'\u2222',
                                    u'\u5C00', u'\uFFFF', u'\u0001', u'\u5C5C'};
  static const char16_t kStops[] = {u'"', u'\\', u'\0'};
  std::mt19937 random(13);
  for (int round = 0; round < 20000; ++round) {
    std::u16string text(random() % 70, u'x');
    for (char16_t& unit : text) unit = kPlain[random() % std::size(kPlain)];
    // None, one or a few stops at random places.
    for (int stops = static_cast<int>(random() % 3); stops > 0 && !text.empty(); --stops) {
      text[random() % text.size()] = kStops[random() % std::size(kStops)];
    }
    const char16_t quote = round % 2 == 0 ? u'"' : u'\'';
    // From every start, so that the stop falls at every place of a block.
    const std::size_t from = text.empty() ? 0 : random() % text.size();
    const std::u16string_view rest = std::u16string_view(text).substr(from);
    ASSERT_EQ(json_scan::FindStringStop(rest.data(), rest.size(), quote),
              StopUnitByUnit(rest, quote))
        << round;
  }
}

TEST(JsonUnitScan, UnitsAtOrAboveALimitAreFoundWhereverTheyFall) {
  // Units just below and at each limit, and units with a single high bit.
  static const char16_t kUnits[] = {u'a',      u'\u007F', u'\u0080',        u'\u0100', u'\u4000',
                                    u'\u7FFF', u'\u8000', char16_t{0xD800}, u'\uFFFF'};
  std::mt19937 random(17);
  for (int round = 0; round < 20000; ++round) {
    const std::uint16_t limit = round % 2 == 0 ? 0x80 : 0x8000;
    // Mostly units below the limit, so that long runs pass before a find.
    std::u16string text(random() % 70, u'a');
    for (char16_t& unit : text) {
      if (random() % 16 == 0) unit = kUnits[random() % std::size(kUnits)];
    }
    const std::size_t from = text.empty() ? 0 : random() % text.size();
    const std::u16string_view rest = std::u16string_view(text).substr(from);
    std::size_t expected = 0;
    while (expected < rest.size() && rest[expected] < limit) ++expected;
    ASSERT_EQ(json_scan::FindUnitAtLeast(rest.data(), rest.size(), limit), expected) << round;
  }
}

}  // namespace
