// A main thread that runs hand-overs at once on the calling thread, and a
// main form that records what the worker asked of it.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "channel/host_form.h"
#include "platform/main_thread.h"

class TInlineMainThread final : public platform::IMainThread {
 public:
  void Synchronize(const std::function<void()>& routine) override {
    ++HandOvers;
    routine();
  }
  std::atomic<int> HandOvers{0};
};

class TFakeTimer final : public platform::ITimer {
 public:
  void SetEnabled(bool enabled) override {
    FEnabled = enabled;
    if (enabled) ++TimesEnabled;
  }
  bool Enabled() const noexcept override { return FEnabled; }
  void SetInterval(std::uint32_t milliseconds) override { FInterval = milliseconds; }
  std::uint32_t Interval() const noexcept override { return FInterval; }
  int TimesEnabled = 0;

 private:
  bool FEnabled = false;
  std::uint32_t FInterval = 200;
};

class TFakeLog final : public platform::ILogControl {
 public:
  void AppendLine(const std::string& line) override { FLines.push_back(line); }
  std::vector<std::string> Lines() const override { return FLines; }
  void SaveToFile(const std::string& fileName) override { SavedTo.push_back(fileName); }
  const platform::TLogControlDesign& Design() const noexcept override { return FDesign; }
  std::vector<std::string> SavedTo;

 private:
  std::vector<std::string> FLines;
  platform::TLogControlDesign FDesign;
};

class TFakeHostForm final : public IHostForm {
 public:
  platform::ITimer& EndAppTimer() override { return Timer; }
  bool WatchesDialogs() const noexcept override { return HasWindows; }
  void StartFixWind(std::uint32_t threadId) override { FixWindThreads.push_back(threadId); }
  platform::ILogControl& LogControl() override { return Log; }

  bool HasWindows = true;

  TFakeTimer Timer;
  TFakeLog Log;
  std::vector<std::uint32_t> FixWindThreads;
};
