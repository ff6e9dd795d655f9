#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "operations/uTavrinDLL.h"

namespace {

namespace fs = std::filesystem;

TEST(TavrinBindingTest, BindsEveryFunctionOfTheLibraryNextToTheExecutable) {
  // The test executable and the stand-in share the build's output folder, just as the host and
  // the signing library share the installation folder.
  ASSERT_EQ(fs::path(FEROLANT_STANDIN_PATH).filename(), TavrinLibraryFileName());
  const TTavrinBinding binding = BindTavrinLibrary();
  ASSERT_NE(binding.library, nullptr) << binding.error;
  EXPECT_EQ(binding.error, "");
  const TTavrinFunctions& f = binding.library->functions;
#define EXPECT_BOUND(name, parameters) EXPECT_NE(f.name, nullptr) << #name;
  FEROLANT_TAVRIN_FUNCTIONS(EXPECT_BOUND)
#undef EXPECT_BOUND
}

TEST(TavrinBindingTest, MissingLibraryIsNamedWithItsFullPath) {
  const TTavrinBinding binding = BindTavrinLibrary("/nonexistent/folder/libtavrin.so");
  EXPECT_EQ(binding.library, nullptr);
  EXPECT_EQ(binding.error.rfind(
                "Ferolant: the signing library \"/nonexistent/folder/libtavrin.so\" cannot be "
                "loaded: ",
                0),
            0u)
      << binding.error;
  EXPECT_EQ(binding.error.find('\n'), std::string::npos);
}

TEST(TavrinBindingTest, RelativePathIsNeverSearchedFor) {
  const TTavrinBinding binding = BindTavrinLibrary("libtavrin.so");
  EXPECT_EQ(binding.library, nullptr);
  EXPECT_NE(binding.error.find("not an absolute path"), std::string::npos);
}

}  // namespace
