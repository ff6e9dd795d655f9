#include <gtest/gtest.h>

#include <csignal>
#include <thread>

#include "platform/application.h"

namespace {

class ShutdownSignal : public ::testing::TestWithParam<int> {};

TEST_P(ShutdownSignal, ClosesTheMainForm) {
  auto app = platform::CreateApplication();
  app->Initialize();
  auto form = app->CreateForm({});
  app->CloseMainFormOnShutdownRequests();
  // Delivered from another thread, as a signal may land on any thread.
  std::thread sender([&] { std::raise(GetParam()); });
  app->Run(*form);
  sender.join();
  EXPECT_TRUE(form->Closed());
}

INSTANTIATE_TEST_SUITE_P(Posix, ShutdownSignal, ::testing::Values(SIGTERM, SIGINT, SIGHUP));

}  // namespace
