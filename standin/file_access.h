#pragma once
// The stand-in's only file access: the whole content of a file named by wide text.

#include <optional>
#include <string>
#include <string_view>

namespace standin {

// The file's bytes, or nothing when it cannot be opened or read (a folder cannot be read).
std::optional<std::string> ReadWholeFile(std::u16string_view fileName);

}  // namespace standin
