#include "platform/application.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include "tests/support/run_guard.h"

namespace {

class ApplicationTest : public ::testing::Test {
 protected:
  ApplicationTest() : App(platform::CreateApplication()) {
    App->Initialize();
    Form = App->CreateForm({});
  }
  void RunToEnd() {
    TRunGuard guard(*Form);
    App->Run(*Form);
    EXPECT_FALSE(guard.TimedOut) << "the loop did not end by itself";
  }
  std::unique_ptr<platform::IApplication> App;
  std::unique_ptr<platform::IFormWindow> Form;
};

TEST_F(ApplicationTest, HandOverRunsOnTheMainThreadWhileTheCallerWaits) {
  const auto mainThread = std::this_thread::get_id();
  std::thread::id ranOn;
  bool callerWaited = false;
  std::thread worker([&] {
    bool routineDone = false;
    App->Synchronize([&] {
      ranOn = std::this_thread::get_id();
      routineDone = true;
    });
    callerWaited = routineDone;
    Form->PostClose();
  });
  RunToEnd();
  worker.join();
  EXPECT_EQ(ranOn, mainThread);
  EXPECT_TRUE(callerWaited);
}

TEST_F(ApplicationTest, AnErrorOfTheRoutineIsRaisedAgainInTheCaller) {
  std::string caught;
  std::thread worker([&] {
    try {
      App->Synchronize([] { throw std::runtime_error("Cannot create file"); });
    } catch (const std::runtime_error& error) {
      caught = error.what();
    }
    Form->PostClose();
  });
  RunToEnd();
  worker.join();
  EXPECT_EQ(caught, "Cannot create file");
}

TEST_F(ApplicationTest, HandOverOnTheMainThreadRunsAtOnce) {
  int runs = 0;
  App->Synchronize([&] { ++runs; });
  EXPECT_EQ(runs, 1);
  EXPECT_THROW(App->Synchronize([] { throw std::logic_error("x"); }), std::logic_error);
}

TEST_F(ApplicationTest, HandOversFromSeveralThreadsAllRunInTheLoop) {
  std::atomic<int> runs = 0;
  int unguarded = 0;  // touched on the main thread only
  std::vector<std::thread> workers;
  for (int i = 0; i < 4; ++i) {
    workers.emplace_back([&] {
      for (int k = 0; k < 50; ++k) App->Synchronize([&] { ++unguarded; });
      if (++runs == 4) Form->PostClose();
    });
  }
  RunToEnd();
  for (auto& worker : workers) worker.join();
  EXPECT_EQ(unguarded, 200);
}

TEST_F(ApplicationTest, RunCreatesAndShowsTheMainFormAndEndsWhenItCloses) {
  Form->SetCaption(u"Ferolant");
  std::thread closer([&] { Form->PostClose(); });
  RunToEnd();
  closer.join();
  EXPECT_TRUE(Form->HandleAllocated());
  EXPECT_EQ(Form->CreatedParams().Caption, u"Ferolant");
  EXPECT_TRUE(Form->Closed());
  EXPECT_FALSE(Form->Visible());
}

TEST_F(ApplicationTest, TimerTicksRepeatUntilDisabled) {
  int ticks = 0;
  std::unique_ptr<platform::ITimer> timer;
  timer = App->CreateTimer([&] {
    if (++ticks == 3) {
      timer->SetEnabled(false);
      Form->PostClose();
    }
  });
  EXPECT_FALSE(timer->Enabled());
  timer->SetInterval(10);
  timer->SetEnabled(true);
  RunToEnd();
  EXPECT_EQ(ticks, 3);
  EXPECT_FALSE(timer->Enabled());
}

TEST_F(ApplicationTest, TheLoopWakesForTheEarliestTimerNotTheFirstCreated) {
  int slowTicks = 0;
  auto slow = App->CreateTimer([&] { ++slowTicks; });
  auto fast = App->CreateTimer([&] { Form->PostClose(); });
  slow->SetInterval(3600 * 1000);
  fast->SetInterval(20);
  slow->SetEnabled(true);
  fast->SetEnabled(true);
  // A loop that slept until the slow timer would be ended by the guard.
  RunToEnd();
  EXPECT_EQ(slowTicks, 0);
}

TEST_F(ApplicationTest, ATimerDestroyedByAnotherTickNeverTicksAgain) {
  std::unique_ptr<platform::ITimer> victim;
  auto killer = App->CreateTimer([&] {
    victim.reset();
    Form->PostClose();
  });
  victim = App->CreateTimer([] { FAIL() << "destroyed timer ticked"; });
  killer->SetInterval(1);
  victim->SetInterval(1);
  killer->SetEnabled(true);
  victim->SetEnabled(true);
  // Both are due together at the first pass and the killer ticks first: only
  // a loop that looks the victim up again avoids a tick of a freed timer.
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  RunToEnd();
}

TEST_F(ApplicationTest, ClosingAFormThatIsGoneIsHarmless) {
  auto other = App->CreateForm({});
  other->PostClose();
  other.reset();
  Form->PostClose();
  RunToEnd();
}

TEST(FormWindow, CreationParametersFollowBorderAndStyleThenTheHook) {
  auto app = platform::CreateApplication();
  app->Initialize();
  auto form = app->CreateForm(
      [](platform::TCreateParams& params) { params.ExStyle |= platform::kWsExAppWindow; });
  form->SetBounds({0, 0, 1, 1});
  form->SetBorderStyle(platform::TBorderStyle::bsNone);
  form->SetFormStyle(platform::TFormStyle::fsStayOnTop);

  platform::TCreateParams standard;
  form->DefaultCreateParams(standard);
  EXPECT_TRUE(standard.Style & platform::kWsPopup);
  EXPECT_FALSE(standard.Style & platform::kWsCaption);
  EXPECT_EQ(standard.ExStyle & platform::kWsExToolWindow, 0u);
  EXPECT_TRUE(standard.OwnedByApplication);
  EXPECT_EQ(standard.Bounds, (platform::TBounds{0, 0, 1, 1}));

  form->HandleNeeded();
  EXPECT_TRUE(form->HandleAllocated());
  EXPECT_EQ(form->CreatedParams().ExStyle, standard.ExStyle | platform::kWsExAppWindow);

  auto tool = app->CreateForm({});
  tool->SetBorderStyle(platform::TBorderStyle::bsToolWindow);
  platform::TCreateParams toolParams;
  tool->DefaultCreateParams(toolParams);
  EXPECT_TRUE(toolParams.ExStyle & platform::kWsExToolWindow);
}

}  // namespace
