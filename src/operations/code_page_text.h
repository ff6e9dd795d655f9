// Wide text as narrow text in a Windows code page.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The ANSI code page of the system, taken once at program start before any
// thread but the main one exists; read-only afterwards.
extern std::uint32_t DefaultCodePage;

// The text up to its first U+0000 in the given code page; a character that
// the code page lacks becomes its default character. The empty text, and a
// conversion that the platform refuses, give the empty narrow text.
std::string WideStringToCodePage(std::u16string_view text, std::uint16_t codePage);

// WideStringToCodePage with the low 16 bits of DefaultCodePage.
std::string WideStringToDefaultCodePage(std::u16string_view text);
