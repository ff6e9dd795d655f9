#include "platform/posix/fd_stream.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/standard_handles.h"

namespace {

struct TPipe {
  TPipe() { EXPECT_EQ(::pipe2(Fds, O_CLOEXEC), 0); }
  ~TPipe() {
    for (int fd : Fds)
      if (fd >= 0) ::close(fd);
  }
  void CloseReader() {
    ::close(Fds[0]);
    Fds[0] = -1;
  }
  int Fds[2] = {-1, -1};
};

TEST(FdStream, ReadsWhatIsThereAndZeroAtTheEnd) {
  TPipe pipe;
  TFdStream reader(pipe.Fds[0]);
  ASSERT_EQ(::write(pipe.Fds[1], "abc", 3), 3);
  ::close(pipe.Fds[1]);
  pipe.Fds[1] = -1;

  char buffer[8];
  EXPECT_EQ(reader.Read(buffer, 8), 3);
  EXPECT_EQ(std::string(buffer, 3), "abc");
  EXPECT_EQ(reader.Read(buffer, 8), 0);
  EXPECT_EQ(reader.Seek(0, TSeekOrigin::soBeginning), -1);
}

TEST(FdStream, AnInvalidDescriptorReadsNothingAndWritesNothing) {
  TFdStream stream(-1);
  char buffer[4];
  EXPECT_EQ(stream.Read(buffer, 4), 0);
  EXPECT_EQ(stream.Write("abcd", 4), 0);
}

TEST(StandardOutput, AWriteToAReaderThatHasGoneFailsInsteadOfKillingTheProcess) {
  // Opening standard output is what makes a broken pipe harmless.
  const auto standardOutput = OpenStandardOutput();
  ASSERT_NE(standardOutput, nullptr);

  TPipe pipe;
  pipe.CloseReader();
  TFdStream writer(pipe.Fds[1]);
  EXPECT_EQ(writer.Write("frame", 5), 0);
}

}  // namespace
