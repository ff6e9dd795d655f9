#include "operations/uTavrinDLL.h"

#include <utility>

#include "platform/executable_path.h"

namespace {

std::string Quoted(const std::filesystem::path& path) {
  const std::u8string utf8 = path.u8string();
  std::string quoted;
  quoted.reserve(utf8.size() + 2);
  quoted += '"';
  quoted.append(utf8.begin(), utf8.end());
  quoted += '"';
  return quoted;
}

std::string Failure(const std::filesystem::path& path, const std::string& what) {
  return "Ferolant: the signing library " + Quoted(path) + " " + what;
}

template <typename TFunction>
bool Bind(const platform::TDynamicLibrary& module, const char* name, TFunction& target) {
  target = reinterpret_cast<TFunction>(module.Find(name));
  return target != nullptr;
}

// Returns the name of the first function the library lacks, or null when all are there.
const char* BindAll(const platform::TDynamicLibrary& module, TTavrinFunctions& f) {
#define FEROLANT_BIND(name, parameters) \
  if (!Bind(module, #name, f.name)) return #name;
  FEROLANT_TAVRIN_FUNCTIONS(FEROLANT_BIND)
#undef FEROLANT_BIND
  return nullptr;
}

// The path is only taken apart for a message when binding fails.
TTavrinBinding BindAt(const platform::TNativePath& libraryPath) {
  std::string reason;
  auto module = platform::TDynamicLibrary::Open(libraryPath, reason);
  if (!module) return {nullptr, Failure(libraryPath, "cannot be loaded: " + reason)};
  TTavrinFunctions functions;
  if (const char* missing = BindAll(*module, functions)) {
    return {nullptr, Failure(libraryPath, "lacks the function " + std::string(missing))};
  }
  return {std::make_unique<TTavrinLibrary>(TTavrinLibrary{std::move(*module), functions}), ""};
}

}  // namespace

std::filesystem::path TavrinLibraryFileName() { return platform::LibraryFileName("Tavrin"); }

TTavrinBinding BindTavrinLibrary() {
  const auto libraryPath = platform::PathBesideExecutable(platform::LibraryFileName("Tavrin"));
  if (!libraryPath) {
    return {nullptr, Failure(TavrinLibraryFileName(),
                             "cannot be loaded: the executable's folder is unknown")};
  }
  return BindAt(*libraryPath);
}

TTavrinBinding BindTavrinLibrary(const std::filesystem::path& libraryPath) {
  return BindAt(libraryPath.native());
}
