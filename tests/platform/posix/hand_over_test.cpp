// The hand-over to the main thread as the worker uses it: one routine after
// another, each waited for, at the pace of requests.
#include <time.h>

#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/application.h"
#include "tests/support/run_guard.h"

namespace {

using namespace std::chrono_literals;

class HandOverTest : public ::testing::Test {
 protected:
  HandOverTest() : App(platform::CreateApplication()) {
    App->Initialize();
    Form = App->CreateForm({});
  }
  // Runs the loop on this thread while work runs on a worker, then closes.
  template <class TWork>
  void RunWithWorker(TWork work) {
    std::thread worker([&] {
      work();
      Form->PostClose();
    });
    TRunGuard guard(*Form);
    App->Run(*Form);
    worker.join();
    EXPECT_FALSE(guard.TimedOut) << "the loop did not end by itself";
  }
  std::unique_ptr<platform::IApplication> App;
  std::unique_ptr<platform::IFormWindow> Form;
};

TEST_F(HandOverTest, RoutinesInQuickSuccessionRunOnceEachInOrderAndTheirResultsAreSeen) {
  const auto mainThread = std::this_thread::get_id();
  std::vector<int> ran;  // touched by the routines only, on the main thread
  int wrongThread = 0;
  int unseen = 0;
  int errorsCaught = 0;
  RunWithWorker([&] {
    for (int i = 0; i < 3000; ++i) {
      std::string result;  // written by the routine, read here right after
      try {
        App->Synchronize([&] {
          if (std::this_thread::get_id() != mainThread) ++wrongThread;
          ran.push_back(i);
          result = "request " + std::to_string(i);
          if (i % 7 == 0) throw std::runtime_error("failed " + std::to_string(i));
        });
      } catch (const std::runtime_error& error) {
        if (error.what() == "failed " + std::to_string(i)) ++errorsCaught;
      }
      if (result != "request " + std::to_string(i)) ++unseen;
    }
  });
  ASSERT_EQ(ran.size(), 3000u);
  for (int i = 0; i < 3000; ++i) ASSERT_EQ(ran[i], i);
  EXPECT_EQ(wrongThread, 0);
  EXPECT_EQ(unseen, 0);
  EXPECT_EQ(errorsCaught, 429);  // 0, 7, ..., 2996
}

double MainThreadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return now.tv_sec + now.tv_nsec / 1e9;
}

TEST_F(HandOverTest, AMainThreadWaitingForTheNextRoutineSleeps) {
  // The main thread stays awake only briefly after a routine: across a pause
  // of the worker it sleeps, and the next routine still wakes it.
  double before = 0;
  double after = 0;
  const auto pause = 400ms;
  RunWithWorker([&] {
    App->Synchronize([&] { before = MainThreadCpuSeconds(); });
    std::this_thread::sleep_for(pause);
    App->Synchronize([&] { after = MainThreadCpuSeconds(); });
  });
  // A loop that kept spinning would use the whole pause (or, on a busy
  // machine, its share of it); a sleeping one uses next to nothing.
  EXPECT_LT(after - before, 0.1);
}

}  // namespace
