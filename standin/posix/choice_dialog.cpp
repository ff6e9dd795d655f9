#include "standin/choice_dialog.h"

namespace standin {

void ShowChoiceDialog(std::u16string_view) {}

}  // namespace standin
