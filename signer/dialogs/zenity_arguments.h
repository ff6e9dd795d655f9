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

using Arguments = std::vector<std::string>;

// The drop-down item of one certificate; zenity answers with the item the person took.
std::string CertificateItem(const std::vector<CertificateSummary>& certificates, std::size_t index);
Arguments CertificateChoiceArguments(const std::vector<CertificateSummary>& certificates,
                                     std::size_t preselected, const Texts& texts);
Arguments PinArguments(const PinRequest& request, std::string_view requester, const Texts& texts);
// Cancel is the default button of both questions: Enter alone never signs or gives a file.
Arguments ConfirmArguments(const ConfirmRequest& request, std::string_view requester,
                           const Texts& texts);
Arguments FileReadArguments(const FileReadRequest& request, std::string_view requester,
                            const Texts& texts);
Arguments FileChooserArguments(const FileChooserRequest& request, std::string_view home,
                               const Texts& texts);

// zenity's labels read their text in different ways; these keep it literal.
std::string ForMnemonicLabel(std::string_view text);  // entry: backslash escapes, mnemonics
std::string ForMarkupLabel(std::string_view text);    // list: backslash escapes, Pango markup

// "Name|*.pdf;*.p7s|Other|*.txt" (or just "*.pdf;*.txt") as zenity's --file-filter values.
std::vector<std::string> FileFilters(std::string_view filter, const Texts& texts);

}  // namespace tavrin::dialogs
