#include "text/base64.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

TEST(Base64, StandardAlphabetAndPadding) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"M", "TQ=="},
      {"Ma", "TWE="},
      {"Man", "TWFu"},
      {std::string("\0\xFF\x10", 3), "AP8Q"},
      {"\xFB\xEF\xBE", "++++"},
      {"\xFF\xFF\xFF\xFF", "/////w=="},
  };
  for (const auto& [bytes, text] : cases) {
    EXPECT_EQ(Base64Of(bytes), text);
    EXPECT_EQ(Base64Length(bytes.size()), text.size());
  }
}

// A file arrives in pieces of any size: groups cut between pieces, pieces larger than the
// encoder's own, and every length of the last group.
TEST(Base64, AStreamInPiecesGivesTheTextOfTheWhole) {
  constexpr std::size_t kGroupsOfAPiece = TBase64Stream::kPiece / 4 * 3;
  for (const std::size_t size : {std::size_t{0}, std::size_t{2}, 2 * kGroupsOfAPiece,
                                 2 * kGroupsOfAPiece + 1, 2 * kGroupsOfAPiece + 2}) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + i / 256);
    for (const std::size_t piece : {std::size_t{1}, std::size_t{2}, std::size_t{4},
                                    kGroupsOfAPiece - 1, kGroupsOfAPiece + 1, size + 1}) {
      TBase64Stream stream;
      std::string text;
      const auto put = [&](std::string_view part) {
        EXPECT_LE(part.size(), TBase64Stream::kPiece);
        text += part;
      };
      for (std::size_t i = 0; i < size; i += piece) stream.Add(bytes.substr(i, piece), put);
      stream.Finish(put);
      EXPECT_EQ(text, Base64Of(bytes)) << size << " in pieces of " << piece;
    }
  }
}

}  // namespace
