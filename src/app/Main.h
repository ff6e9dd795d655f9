// The main form: practically invisible (one pixel, borderless, stay-on-top,
// no task-bar button), it holds the traffic log and the two timers, starts the
// worker thread and closes itself when the worker says the input has ended.
#pragma once

#include <cstdint>
#include <memory>

#include "app/dialog_watch.h"
#include "channel/host_form.h"
#include "channel/standard_streams.h"
#include "platform/application.h"
#include "platform/window_system.h"

class TfrmMain final : public IHostForm {
 public:
  // Creates the form and its controls as designed, makes it the process-wide
  // frmMain and runs FormCreate, which starts the worker on streams. The
  // dialog watch searches windows through windows (the platform's by default).
  static std::unique_ptr<TfrmMain> Create(
      platform::IApplication& application, TStreamFactory streams = OpenStandardStreams,
      std::unique_ptr<platform::IWindowSystem> windows = nullptr);

  TfrmMain(platform::IApplication& application, TStreamFactory streams,
           std::unique_ptr<platform::IWindowSystem> windows);
  ~TfrmMain() override;

  // The form's own window; the controls below live on it.
  std::unique_ptr<platform::IFormWindow> Window;

  std::unique_ptr<platform::ILabel> Label2;
  std::unique_ptr<platform::ITimer> TimerEndApp;
  std::unique_ptr<platform::ITimer> TimerFixWind;
  std::unique_ptr<platform::ILogControl> memoLog;

  void FormCreate();
  void TimerEndAppTimer();
  void TimerFixWindTimer();
  void CreateParams(platform::TCreateParams& params) const;

  // What the worker reaches through the main thread.
  platform::ITimer& EndAppTimer() override { return *TimerEndApp; }
  bool WatchesDialogs() const noexcept override { return FWindows->HasWindowsToWatch(); }
  void StartFixWind(std::uint32_t threadId) override;
  void StopFixWind() override;
  platform::ILogControl& LogControl() override { return *memoLog; }

  // The search for the library's dialog, with the thread it watches; main thread only.
  const TDialogWatch& DialogWatch() const noexcept { return *FDialogWatch; }

 private:
  platform::IApplication& FApplication;
  TStreamFactory FStreams;
  // The search for the signing library's dialog that TimerFixWind drives.
  std::unique_ptr<platform::IWindowSystem> FWindows;
  std::unique_ptr<TDialogWatch> FDialogWatch;
};

// The one main form; set before its FormCreate runs, valid until the process ends.
extern TfrmMain* frmMain;
