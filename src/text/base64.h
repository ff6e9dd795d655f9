// Standard Base64 (alphabet A-Z a-z 0-9 + /, '=' padding, no line breaks), the form both
// signing libraries return files and signatures in.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

constexpr std::size_t Base64Length(std::size_t bytes) noexcept { return (bytes + 2) / 3 * 4; }

// Writes the Base64 of bytes at out, Base64Length(bytes.size()) characters; yields that count.
std::size_t EncodeBase64(std::string_view bytes, char* out) noexcept;

std::string Base64Of(std::string_view bytes);

// Base64 of input that arrives in pieces (a file read block by block): whole groups of three
// bytes are encoded as they come, up to two wait for the next piece, and Finish pads the last.
// The text is the same as Base64Of the whole input; it goes to emit(std::string_view) in
// pieces of at most kPiece characters.
class TBase64Stream {
 public:
  static constexpr std::size_t kPiece = 4 * 4096;

  template <class Emit>
  void Add(std::string_view bytes, Emit&& emit) {
    while (!bytes.empty()) {
      if (!FGroup.empty() || bytes.size() < 3) {
        const std::size_t take = std::min(bytes.size(), 3 - FGroup.size());
        FGroup.append(bytes.substr(0, take));
        bytes.remove_prefix(take);
        if (FGroup.size() == 3) Flush(emit);
        continue;
      }
      const std::size_t take = std::min(bytes.size() - bytes.size() % 3, kPiece / 4 * 3);
      emit(std::string_view(FText, EncodeBase64(bytes.substr(0, take), FText)));
      bytes.remove_prefix(take);
    }
  }

  template <class Emit>
  void Finish(Emit&& emit) {
    if (!FGroup.empty()) Flush(emit);
  }

 private:
  template <class Emit>
  void Flush(Emit& emit) {
    emit(std::string_view(FText, EncodeBase64(FGroup, FText)));
    FGroup.clear();
  }

  std::string FGroup;  // at most three bytes
  char FText[kPiece];
};
