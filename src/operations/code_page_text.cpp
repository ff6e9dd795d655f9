#include "operations/code_page_text.h"

#include "platform/code_page.h"

std::uint32_t DefaultCodePage = platform::GetAnsiCodePage();

std::string WideStringToCodePage(std::u16string_view text, std::uint16_t codePage) {
  if (text.empty()) return {};
  // The platform call measures the text up to its terminating zero, so a
  // U+0000 inside the text ends it.
  const std::size_t end = text.find(u'\0');
  if (end != std::u16string_view::npos) text = text.substr(0, end);
  if (text.empty()) return {};
  return platform::ConvertWideToCodePage(text, codePage).value_or(std::string());
}

std::string WideStringToDefaultCodePage(std::u16string_view text) {
  return WideStringToCodePage(text, static_cast<std::uint16_t>(DefaultCodePage & 0xFFFF));
}
