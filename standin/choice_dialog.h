#pragma once
// The window the stand-in shows while its file-choice "dialog" runs, on the calling thread, so
// that the host's dialog watch has something to find. Where the platform has no windows for
// the host to bring forward, nothing is shown.

#include <string_view>

namespace standin {

void ShowChoiceDialog(std::u16string_view title);

}  // namespace standin
