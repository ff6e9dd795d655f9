#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

#include "operations/uTavrinDLL.h"

namespace {

namespace fs = std::filesystem;

TEST(TavrinBindingTest, LibraryWithoutTheFunctionsNamesTheFirstMissingOne) {
  // The C library is a perfectly loadable library that exports none of the functions.
  Dl_info info{};
  ASSERT_NE(dladdr(reinterpret_cast<void*>(&std::fopen), &info), 0);
  const fs::path libc = fs::canonical(info.dli_fname);
  const TTavrinBinding binding = BindTavrinLibrary(libc);
  EXPECT_EQ(binding.library, nullptr);
  EXPECT_EQ(binding.error,
            "Ferolant: the signing library \"" + libc.string() + "\" lacks the function AboutW");
}

TEST(TavrinBindingTest, StandInExportsExactlyTheLibrarysFunctions) {
  const std::string command =
      std::string("nm -D --defined-only '") + FEROLANT_STANDIN_PATH + "' 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::set<std::string> exported;
  char address[64], kind[8], name[256];
  while (std::fscanf(pipe, "%63s %7s %255s", address, kind, name) == 3) exported.insert(name);
  const int status = pclose(pipe);
  if (status != 0) GTEST_SKIP() << "nm is not available";
#define FUNCTION_NAME(name, parameters) #name,
  EXPECT_EQ(exported, (std::set<std::string>{FEROLANT_TAVRIN_FUNCTIONS(FUNCTION_NAME)}));
#undef FUNCTION_NAME
}

}  // namespace
