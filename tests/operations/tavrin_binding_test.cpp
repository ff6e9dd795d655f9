#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

#include "operations/uTavrinDLL.h"

namespace {

namespace fs = std::filesystem;

TEST(TavrinBindingTest, BindsAllElevenFunctionsOfTheLibraryNextToTheExecutable) {
  // The test executable and the stand-in share the build's output folder, just as the host and
  // the signing library share the installation folder.
  ASSERT_EQ(fs::path(FEROLANT_STANDIN_PATH).filename(), TavrinLibraryFileName());
  const TTavrinBinding binding = BindTavrinLibrary();
  ASSERT_NE(binding.library, nullptr) << binding.error;
  EXPECT_EQ(binding.error, "");
  const TTavrinFunctions& f = binding.library->functions;
  for (const void* function :
       {reinterpret_cast<const void*>(f.AboutW), reinterpret_cast<const void*>(f.GetLastErrorStrW),
        reinterpret_cast<const void*>(f.GetCfgCodePageNumberW),
        reinterpret_cast<const void*>(f.SetCfgCodePageNumberW),
        reinterpret_cast<const void*>(f.SetCfgSignatureHashAlgorithmNumberW),
        reinterpret_cast<const void*>(f.SetCfgSigningCertificateHashAlgorithmNumberW),
        reinterpret_cast<const void*>(f.SignDetachedW),
        reinterpret_cast<const void*>(f.SignFileDetachedW),
        reinterpret_cast<const void*>(f.EncodeFileW),
        reinterpret_cast<const void*>(f.GetLastCertSenderSignatureSNW),
        reinterpret_cast<const void*>(f.GetFileNameDlgW)}) {
    EXPECT_NE(function, nullptr);
  }
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

TEST(TavrinBindingTest, LibraryWithoutTheFunctionsNamesTheFirstMissingOne) {
  // The C library is a perfectly loadable library that exports none of the eleven.
  Dl_info info{};
  ASSERT_NE(dladdr(reinterpret_cast<void*>(&std::fopen), &info), 0);
  const fs::path libc = fs::canonical(info.dli_fname);
  const TTavrinBinding binding = BindTavrinLibrary(libc);
  EXPECT_EQ(binding.library, nullptr);
  EXPECT_EQ(binding.error,
            "Ferolant: the signing library \"" + libc.string() + "\" lacks the function AboutW");
}

TEST(TavrinBindingTest, RelativePathIsNeverSearchedFor) {
  const TTavrinBinding binding = BindTavrinLibrary("libtavrin.so");
  EXPECT_EQ(binding.library, nullptr);
  EXPECT_NE(binding.error.find("not an absolute path"), std::string::npos);
}

TEST(TavrinBindingTest, StandInExportsExactlyTheElevenFunctions) {
  const std::string command =
      std::string("nm -D --defined-only '") + FEROLANT_STANDIN_PATH + "' 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::set<std::string> exported;
  char address[64], kind[8], name[256];
  while (std::fscanf(pipe, "%63s %7s %255s", address, kind, name) == 3) exported.insert(name);
  const int status = pclose(pipe);
  if (status != 0) GTEST_SKIP() << "nm is not available";
  EXPECT_EQ(exported, (std::set<std::string>{"AboutW", "EncodeFileW", "GetCfgCodePageNumberW",
                                             "GetFileNameDlgW", "GetLastCertSenderSignatureSNW",
                                             "GetLastErrorStrW", "SetCfgCodePageNumberW",
                                             "SetCfgSignatureHashAlgorithmNumberW",
                                             "SetCfgSigningCertificateHashAlgorithmNumberW",
                                             "SignDetachedW", "SignFileDetachedW"}));
}

}  // namespace
