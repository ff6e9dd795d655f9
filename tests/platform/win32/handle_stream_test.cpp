// The worker's streams over Win32 handles: pipes as the browser gives them, files, and the
// handles a process started without them has.
#include "platform/win32/handle_stream.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/win32/unique_handle.h"

namespace {

using platform::win32::TUniqueHandle;

struct TPipe {
  TUniqueHandle Read;
  TUniqueHandle Write;
  TPipe() {
    HANDLE read = nullptr;
    HANDLE write = nullptr;
    EXPECT_TRUE(CreatePipe(&read, &write, nullptr, 0));
    Read = TUniqueHandle(read);
    Write = TUniqueHandle(write);
  }
};

TEST(HandleStream, ReadsWhatArrivesAndZeroOnceTheWriterHasGone) {
  TPipe pipe;
  platform::THandleStream writer(pipe.Write.Get());
  platform::THandleStream reader(pipe.Read.Get());
  EXPECT_EQ(writer.Write("\x05\0\0\0hello", 9), 9);
  char buffer[16] = {};
  EXPECT_EQ(reader.Read(buffer, 4), 4);
  EXPECT_EQ(std::string(buffer, 4), std::string("\x05\0\0\0", 4));
  EXPECT_EQ(reader.Read(buffer, 1024), 5);
  EXPECT_EQ(std::string(buffer, 5), "hello");
  EXPECT_EQ(reader.Seek(0, platform::TSeekOrigin::soBeginning), -1);
  pipe.Write.Reset();
  EXPECT_EQ(reader.Read(buffer, 4), 0);
}

TEST(HandleStream, AWriteToAGoneReaderFailsWithoutEndingTheProcess) {
  TPipe pipe;
  pipe.Read.Reset();
  platform::THandleStream writer(pipe.Write.Get());
  EXPECT_EQ(writer.Write("abc", 3), 0);
  EXPECT_EQ(writer.Write("abc", 0), 0);
}

TEST(HandleStream, AbsentHandlesReadNothingAndWriteNothing) {
  for (HANDLE handle : {HANDLE{nullptr}, INVALID_HANDLE_VALUE}) {
    platform::THandleStream stream(handle);
    char byte = 0;
    EXPECT_EQ(stream.Read(&byte, 1), 0);
    EXPECT_EQ(stream.Write("x", 1), 0);
    EXPECT_EQ(stream.Seek(0, platform::TSeekOrigin::soBeginning), -1);
  }
}

TEST(HandleStream, AFileSeeksAndReadsToItsEnd) {
  const auto path = std::filesystem::temp_directory_path() / "ferolant-handle-stream.bin";
  std::ofstream(path, std::ios::binary) << "0123456789";
  TUniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file);
  platform::THandleStream stream(file.Get());
  EXPECT_EQ(stream.Seek(7, platform::TSeekOrigin::soBeginning), 7);
  char buffer[8] = {};
  EXPECT_EQ(stream.Read(buffer, 8), 3);
  EXPECT_EQ(std::string(buffer, 3), "789");
  EXPECT_EQ(stream.Read(buffer, 8), 0);
  file.Reset();
  std::filesystem::remove(path);
}

}  // namespace
