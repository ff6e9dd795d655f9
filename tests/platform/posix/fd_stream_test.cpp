#include "platform/posix/fd_stream.h"

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <string>
#include <thread>

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
  platform::TFdStream reader(pipe.Fds[0]);
  ASSERT_EQ(::write(pipe.Fds[1], "abc", 3), 3);
  ::close(pipe.Fds[1]);
  pipe.Fds[1] = -1;

  char buffer[8];
  EXPECT_EQ(reader.Read(buffer, 8), 3);
  EXPECT_EQ(std::string(buffer, 3), "abc");
  EXPECT_EQ(reader.Read(buffer, 8), 0);
  EXPECT_EQ(reader.Seek(0, platform::TSeekOrigin::soBeginning), -1);
}

TEST(FdStream, AnInvalidDescriptorReadsNothingAndWritesNothing) {
  platform::TFdStream stream(-1);
  char buffer[4];
  EXPECT_EQ(stream.Read(buffer, 4), 0);
  EXPECT_EQ(stream.Write("abcd", 4), 0);
}

TEST(StandardOutput, AWriteToAReaderThatHasGoneFailsInsteadOfKillingTheProcess) {
  // Opening standard output is what makes a broken pipe harmless.
  const auto standardOutput = platform::OpenStandardOutput();
  ASSERT_NE(standardOutput, nullptr);

  TPipe pipe;
  pipe.CloseReader();
  platform::TFdStream writer(pipe.Fds[1]);
  EXPECT_EQ(writer.Write("frame", 5), 0);
}

std::string ReadToEnd(int fd) {
  std::string all;
  char buffer[4096];
  for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) all.append(buffer, n);
  return all;
}

TEST(FdStream, AHeaderAndItsBodyReachTheReaderAsOnePiece) {
  TPipe pipe;
  platform::TFdStream writer(pipe.Fds[1]);
  EXPECT_EQ(writer.WriteWithHeader("\x05\0\0\0", 4, "hello", 5), 5);

  // One read takes the whole frame: it was in the pipe before the reader woke.
  char buffer[64];
  ASSERT_EQ(::read(pipe.Fds[0], buffer, sizeof buffer), 9);
  EXPECT_EQ(std::string(buffer, 9), std::string("\x05\0\0\0hello", 9));
}

TEST(FdStream, AFrameLargerThanThePipeArrivesWholeEvenWhenSignalsCutTheWritesShort) {
  // A signal handler without SA_RESTART makes a blocked write return what it
  // has written so far; the stream must go on from exactly there.
  struct sigaction action {};
  struct sigaction previous {};
  action.sa_handler = [](int) {};
  sigemptyset(&action.sa_mask);
  ASSERT_EQ(::sigaction(SIGUSR1, &action, &previous), 0);

  TPipe pipe;
  std::string body(4 << 20, '\0');
  for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>('a' + i % 23);
  std::atomic<bool> done{false};
  std::int32_t written = -1;
  std::thread writerThread([&] {
    platform::TFdStream writer(pipe.Fds[1]);
    written =
        writer.WriteWithHeader("HEAD", 4, body.data(), static_cast<std::int32_t>(body.size()));
    ::close(pipe.Fds[1]);
    pipe.Fds[1] = -1;
    done = true;
  });
  const pthread_t writerHandle = writerThread.native_handle();
  std::thread interrupter([&] {
    while (!done) {
      ::pthread_kill(writerHandle, SIGUSR1);
      std::this_thread::yield();
    }
  });
  const std::string received = ReadToEnd(pipe.Fds[0]);
  interrupter.join();
  writerThread.join();
  ::sigaction(SIGUSR1, &previous, nullptr);

  EXPECT_EQ(written, static_cast<std::int32_t>(body.size()));
  ASSERT_EQ(received.size(), body.size() + 4);
  EXPECT_EQ(received.substr(0, 4), "HEAD");
  EXPECT_TRUE(received.compare(4, std::string::npos, body) == 0);
}

TEST(FdStream, APipeIsWidenedOnlyBeforeTheFirstWriteThatWouldNotFitIt) {
  TPipe pipe;
  const int usual = ::fcntl(pipe.Fds[1], F_GETPIPE_SZ);
  platform::TFdStream writer(pipe.Fds[1], /*widenPipe=*/true);
  std::string drained;
  std::thread reader([&] {
    char buffer[65536];
    for (ssize_t n; (n = ::read(pipe.Fds[0], buffer, sizeof buffer)) > 0;)
      drained.append(buffer, n);
  });

  // Small frames, as most replies are, leave the pipe as the system made it.
  const std::string small(1000, 's');
  EXPECT_EQ(writer.WriteWithHeader("\x01\x02\x03\x04", 4, small.data(), 1000), 1000);
  EXPECT_EQ(writer.Write(small.data(), 1000), 1000);
  EXPECT_EQ(::fcntl(pipe.Fds[1], F_GETPIPE_SZ), usual);

  // A block of a long reply asks for room for itself in one go.
  const std::string large(300000, 'L');
  EXPECT_EQ(writer.WriteWithHeader("\x01\x02\x03\x04", 4, large.data(), 300000), 300000);
  EXPECT_GT(::fcntl(pipe.Fds[1], F_GETPIPE_SZ), usual);

  ::close(pipe.Fds[1]);
  pipe.Fds[1] = -1;
  reader.join();
  EXPECT_EQ(drained.size(), 4 + 1000 + 1000 + 4 + 300000u);
}

TEST(FdStream, AFrameToAReaderThatHasGoneWritesNoBody) {
  const auto standardOutput =
      platform::OpenStandardOutput();  // broken pipes fail instead of killing
  TPipe pipe;
  pipe.CloseReader();
  platform::TFdStream writer(pipe.Fds[1]);
  EXPECT_EQ(writer.WriteWithHeader("\x01\0\0\0", 4, "x", 1), 0);
}

}  // namespace
