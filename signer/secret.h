#pragma once
// A PIN or password: held in one place, never copied, and wiped when it goes.

#include <string>
#include <string_view>

namespace tavrin {

class Secret {
 public:
  Secret() = default;
  Secret(const Secret&) = delete;
  Secret& operator=(const Secret&) = delete;
  ~Secret() { Wipe(); }

  // Appends without letting the buffer move: reserve() happens once, up front.
  void Append(std::string_view text);
  void Wipe() noexcept;

  std::string_view View() const noexcept { return text_; }
  bool Empty() const noexcept { return text_.empty(); }

 private:
  static constexpr std::size_t kCapacity = 256;  // longer than any PIN or password we accept
  std::string text_;
};

}  // namespace tavrin
