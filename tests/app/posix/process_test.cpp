// The built host as the browser starts it: a child process with pipes.
#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <thread>

#include "tests/support/child_process.h"
#include "tests/support/memory_streams.h"

namespace {

using namespace std::string_literals;

const std::string kHost = FEROLANT_EXECUTABLE;

void ExpectCleanExit(TChildProcess& host) {
  const auto status = host.WaitForExit();
  ASSERT_TRUE(status.has_value()) << "the host did not end";
  EXPECT_TRUE(status->Exited) << "killed by signal " << status->Code;
  EXPECT_EQ(status->Code, 0);
}

TEST(HostProcess, InputEndedBeforeAnyHeaderKeepsItRunningUntilClosedFromOutside) {
  TChildProcess host(kHost, {.EmptyInput = true});
  // Ample time for the worker to meet the end of input and for the end timer
  // to have fired if it had wrongly been started.
  std::this_thread::sleep_for(std::chrono::seconds(1));
  ASSERT_TRUE(host.Running());
  ASSERT_TRUE(host.WaitUntilCatching(SIGTERM));
  host.SendSignal(SIGTERM);
  ExpectCleanExit(host);
}

TEST(HostProcess, AHeaderThenTheEndOfInputEndsItByItself) {
  TChildProcess host(kHost);
  ASSERT_TRUE(host.Write("\0\0\0\0"s));
  host.CloseInput();
  ExpectCleanExit(host);
  // Nothing but reply frames ever goes to standard output, and an empty frame
  // gets no reply.
  EXPECT_EQ(host.ReadToEnd(), "");
}

TEST(HostProcess, AFrameSplitAcrossWritesThenTheEndOfInputEndsIt) {
  TChildProcess host(kHost);
  const std::string frame = Frame(std::string(2055, ' '));
  ASSERT_TRUE(host.Write(frame.substr(0, 2)));
  ASSERT_TRUE(host.Write(frame.substr(2, 1500)));
  ASSERT_TRUE(host.Write(frame.substr(1502)));
  host.CloseInput();
  ExpectCleanExit(host);
}

TEST(HostProcess, AShortHeaderThenTheEndOfInputDoesNotEndIt) {
  TChildProcess host(kHost);
  ASSERT_TRUE(host.Write("\x05\x00"s));
  host.CloseInput();
  std::this_thread::sleep_for(std::chrono::seconds(1));
  ASSERT_TRUE(host.Running());
  ASSERT_TRUE(host.WaitUntilCatching(SIGTERM));
  host.SendSignal(SIGTERM);
  ExpectCleanExit(host);
}

class HostShutdownSignal : public ::testing::TestWithParam<int> {};

TEST_P(HostShutdownSignal, EndsItWhileTheWorkerWaitsForInput) {
  TChildProcess host(kHost);
  // A header makes sure the worker runs and now sits in a read of the open pipe.
  ASSERT_TRUE(host.Write(Frame("")));
  ASSERT_TRUE(host.WaitUntilCatching(GetParam()));
  host.SendSignal(GetParam());
  ExpectCleanExit(host);
}

INSTANTIATE_TEST_SUITE_P(Posix, HostShutdownSignal, ::testing::Values(SIGTERM, SIGINT, SIGHUP));

TEST(HostProcess, AReaderThatHasGoneDoesNotKillIt) {
  TChildProcess host(kHost, {.OutputReaderGone = true});
  ASSERT_TRUE(host.Write(Frame("{\"metoda\":\"NATIVEVERSION\",\"parametry\":{},\"tabID\":3}")));
  host.CloseInput();
  ExpectCleanExit(host);
}

}  // namespace
