#pragma once
// The command lines of the dialogs, built for zenity (GTK, so the same on X11 and Wayland).
// Pure: what the windows will say is decided here and can be read without a display.

#include <string>
#include <string_view>
#include <vector>

#include "signer/consent.h"
#include "signer/dialogs/dialog_texts.h"

namespace tavrin::dialogs {

inline constexpr std::string_view kZenity = "/usr/bin/zenity";
// Between the names of several chosen files in zenity's answer; no file name holds it.
inline constexpr char kFileSeparator = '\x1f';

using TArguments = std::vector<std::string>;

// The drop-down item of one certificate; zenity answers with the item the person took.
std::string CertificateItem(const std::vector<TCertificateSummary>& certificates,
                            std::size_t index);
TArguments CertificateChoiceArguments(const std::vector<TCertificateSummary>& certificates,
                                      std::size_t preselected, const TTexts& texts);
TArguments PinArguments(const TPinRequest& request, std::string_view requester,
                        const TTexts& texts);
// Cancel is the default button of both questions: Enter alone never signs or gives a file.
TArguments ConfirmArguments(const TConfirmRequest& request, std::string_view requester,
                            const TTexts& texts);
TArguments FileReadArguments(const TFileReadRequest& request, std::string_view requester,
                             const TTexts& texts);
TArguments FileChooserArguments(const TFileChooserRequest& request, std::string_view home,
                                const TTexts& texts);

// zenity's labels read their text in different ways; these keep it literal.
std::string ForMnemonicLabel(std::string_view text);  // entry: backslash escapes, mnemonics
std::string ForMarkupLabel(std::string_view text);    // list: backslash escapes, Pango markup

// "Name|*.pdf;*.p7s|Other|*.txt" (or just "*.pdf;*.txt") as zenity's --file-filter values.
std::vector<std::string> FileFilters(std::string_view filter, const TTexts& texts);

}  // namespace tavrin::dialogs
