#include "operations/operation_params.h"

#include "operations/WStrList.h"
#include "operations/number_text.h"
#include "platform/code_page.h"

std::u16string TextParam(const TWideStrings& params, int k) {
  if (params.ItemCount() < k) return {};
  return params.GetItem(k - 1);
}

std::u16string_view TextParamView(const TWideStrings& params, int k) noexcept {
  return params.ItemView(k - 1);
}

std::int32_t NumberParam(const TWideStrings& params, int k) {
  if (params.ItemCount() < k) return 0;
  return ParseNumberText(platform::WideToThreadAnsi(params.GetItem(k - 1)));
}
