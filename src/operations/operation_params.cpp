#include "operations/operation_params.h"

#include "operations/WStrList.h"
#include "operations/number_text.h"
#include "platform/code_page.h"
#include "text/ascii_runs.h"

std::u16string TextParam(const TWideStrings& params, int k) {
  if (params.ItemCount() < k) return {};
  return params.GetItem(k - 1);
}

std::u16string_view TextParamView(const TWideStrings& params, int k) noexcept {
  return params.ItemView(k - 1);
}

std::int32_t NumberParam(const TWideStrings& params, int k) {
  if (params.ItemCount() < k) return 0;
  const std::u16string_view text = params.ItemView(k - 1);
  // A number sent in ASCII, as numbers are, is the same bytes in every code page.
  char ascii[32];
  if (text.size() <= sizeof ascii &&
      NarrowAsciiRun(text.data(), text.size(), ascii) == text.size()) {
    return ParseNumberText(std::string_view(ascii, text.size()));
  }
  return ParseNumberText(platform::WideToThreadAnsi(text));
}
