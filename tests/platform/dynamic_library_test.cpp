#include "platform/dynamic_library.h"

#include <gtest/gtest.h>

#include "platform/executable_path.h"

namespace {

TEST(DynamicLibraryTest, OpensOnlyAbsolutePathsAndSaysWhyItFailed) {
  std::string error;
  EXPECT_FALSE(platform::TDynamicLibrary::Open(platform::LibraryFileName("Tavrin"), error));
  EXPECT_EQ(error, "not an absolute path");

  error.clear();
  const auto missing = std::filesystem::current_path().root_path() / "nonexistent" /
                       platform::LibraryFileName("Tavrin");
  EXPECT_FALSE(platform::TDynamicLibrary::Open(missing, error));
  EXPECT_NE(error, "");
}

TEST(ExecutablePathTest, IsTheAbsolutePathOfThisTest) {
  const auto path = platform::ExecutablePath();
  ASSERT_TRUE(path.has_value());
  EXPECT_TRUE(path->is_absolute());
  EXPECT_EQ(path->stem(), "ferolant_platform_tests");
  EXPECT_TRUE(std::filesystem::is_regular_file(*path));
}

TEST(ExecutablePathTest, AFileBesideItIsInTheSameFolder) {
  const auto executable = platform::ExecutablePath();
  const auto beside = platform::PathBesideExecutable(platform::LibraryFileName("Tavrin"));
  ASSERT_TRUE(executable.has_value());
  ASSERT_TRUE(beside.has_value());
  EXPECT_EQ(std::filesystem::path(*beside),
            executable->parent_path() / platform::LibraryFileName("Tavrin"));
}

}  // namespace
