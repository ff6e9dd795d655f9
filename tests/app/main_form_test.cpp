#include "app/Main.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/memory_streams.h"
#include "tests/support/run_guard.h"

namespace {

using namespace std::string_literals;

// Streams that the worker owns outright: it runs on its own thread and may
// outlive the test.
TStreamFactory InputOf(std::string bytes) {
  return [bytes] {
    return TStreamPair{std::make_unique<TScriptedInput>(std::vector<std::string>{bytes}),
                       std::make_unique<TRecordingOutput>()};
  };
}

class MainFormTest : public ::testing::Test {
 protected:
  MainFormTest() : App(platform::CreateApplication()) { App->Initialize(); }

  std::unique_ptr<TfrmMain> CreateForm(std::string input) {
    return TfrmMain::Create(*App, InputOf(std::move(input)));
  }
  // Runs the loop until the main form closes; false if it did not close by itself.
  bool RunUntilClosed(TfrmMain& form) {
    TRunGuard guard(*form.Window);
    App->Run(*form.Window);
    return !guard.TimedOut;
  }

  std::unique_ptr<platform::IApplication> App;
};

TEST_F(MainFormTest, CreationLeavesAOnePixelTopmostFormAndNoTaskBarButton) {
  auto form = CreateForm("");
  EXPECT_EQ(frmMain, form.get());

  EXPECT_TRUE(App->ApplicationWindowVisible());
  EXPECT_TRUE(App->ApplicationExStyle() & platform::kWsExToolWindow);

  platform::IFormWindow& window = *form->Window;
  EXPECT_EQ(window.Caption(), u"Ferolant");
  EXPECT_EQ(window.BorderStyle(), platform::TBorderStyle::bsNone);
  EXPECT_EQ(window.FormStyle(), platform::TFormStyle::fsStayOnTop);
  EXPECT_EQ(window.Bounds(), (platform::TBounds{0, 0, 1, 1}));

  // Created as an owned popup with no extended style at all: neither the
  // topmost bit of the standard computation nor an app-window bit survives.
  window.HandleNeeded();
  const platform::TCreateParams created = window.CreatedParams();
  EXPECT_TRUE(created.Style & platform::kWsPopup);
  EXPECT_EQ(created.ExStyle, 0u);
  EXPECT_TRUE(created.OwnedByApplication);
  EXPECT_EQ(created.Bounds, (platform::TBounds{0, 0, 1, 1}));
}

TEST_F(MainFormTest, CreateParamsKeepsOnlyTheToolWindowBit) {
  auto form = CreateForm("");
  platform::TCreateParams params;
  params.ExStyle = 0xFFFFFFFFu;
  form->Window->SetBorderStyle(platform::TBorderStyle::bsToolWindow);
  form->CreateParams(params);
  EXPECT_EQ(params.ExStyle, platform::kWsExToolWindow);
}

TEST_F(MainFormTest, ControlsAndTimersAreAsDesigned) {
  auto form = CreateForm("");
  EXPECT_EQ(form->Label2->Design().Caption, u"Log extern\u00ED komunikace STDIO");
  EXPECT_EQ(form->Label2->Design().Bounds, (platform::TBounds{8, 8, 150, 13}));

  const platform::TLogControlDesign& log = form->memoLog->Design();
  EXPECT_EQ(log.Bounds, (platform::TBounds{8, 24, 581, 317}));
  EXPECT_EQ(log.Anchors,
            platform::akLeft | platform::akTop | platform::akRight | platform::akBottom);
  EXPECT_TRUE(log.VerticalScrollBar);
  EXPECT_FALSE(log.PlainText);
  EXPECT_TRUE(form->memoLog->Lines().empty());

  for (platform::ITimer* timer : {form->TimerEndApp.get(), form->TimerFixWind.get()}) {
    EXPECT_FALSE(timer->Enabled());
    EXPECT_EQ(timer->Interval(), 200u);
  }
  EXPECT_EQ(form->DialogWatch().FixWindThreadID(), 0u);
}

TEST_F(MainFormTest, AHeaderThenTheEndOfInputClosesTheForm) {
  auto form = CreateForm("\0\0\0\0"s);
  ASSERT_TRUE(RunUntilClosed(*form));
  EXPECT_TRUE(form->Window->Closed());
  EXPECT_FALSE(form->TimerEndApp->Enabled());
}

TEST_F(MainFormTest, AMessageThenTheEndOfInputClosesTheForm) {
  auto form = CreateForm(Frame("{\"metoda\":\"NATIVEVERSION\",\"parametry\":{},\"tabID\":3}"));
  ASSERT_TRUE(RunUntilClosed(*form));
  EXPECT_TRUE(form->Window->Closed());
}

TEST_F(MainFormTest, TheEndTimerTickStopsItselfAndClosesTheForm) {
  auto form = CreateForm("");
  form->TimerEndApp->SetEnabled(true);
  form->TimerEndAppTimer();
  EXPECT_FALSE(form->TimerEndApp->Enabled());
  EXPECT_TRUE(form->Window->HandleAllocated());
  ASSERT_TRUE(RunUntilClosed(*form));
}

// Where the watch lasts the whole call (X11) it ends when the call returns; elsewhere it has
// stopped by itself by then.
TEST_F(MainFormTest, AWatchThatFindsNoWindowLogsSixTriesAndStopsByTheEndOfTheCall) {
  auto form = CreateForm("");
  form->StartFixWind(4242);
  EXPECT_EQ(form->DialogWatch().FixWindThreadID(), 4242u);
  EXPECT_TRUE(form->TimerFixWind->Enabled());

  auto stopped = App->CreateTimer([&] {
    if (form->memoLog->Lines().size() == 12) form->StopFixWind();
    if (!form->TimerFixWind->Enabled()) form->Window->PostClose();
  });
  stopped->SetInterval(50);
  stopped->SetEnabled(true);
  ASSERT_TRUE(RunUntilClosed(*form));

  std::vector<std::string> expected;
  for (int tick = 0; tick < 6; ++tick) {
    expected.push_back("WindowEnum Start");
    expected.push_back("WindowEnum end: 0");
  }
  EXPECT_EQ(form->memoLog->Lines(), expected);
}

}  // namespace
