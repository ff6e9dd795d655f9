#pragma once
// The verbs that touch the machine, each done the platform's way: on Linux a manifest in each
// browser's folder, on Windows a manifest beside the host and a registry key naming it.
#include <ostream>
#include <string>

#include "tools/register/options.h"

namespace ferolant::reg {

// Each returns the exit code; bad usage throws TUsageError before anything is written, a
// failed write throws std::filesystem::filesystem_error or std::system_error.
int Install(const TOptions& options, const TRegistration& registration, std::ostream& out);
int Remove(const TOptions& options, const TRegistration& registration, std::ostream& out);
int Check(const TOptions& options, std::ostream& out);

// "chrome   " and the like: browser names padded to one column.
std::string Column(std::string_view text, std::size_t width);

}  // namespace ferolant::reg
