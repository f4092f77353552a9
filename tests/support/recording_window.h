#pragma once

#include <string>
#include <vector>

#include "device/window_operations.h"

// Records every window operation as one line, in order.
class RecordingWindow : public WindowOperations {
 public:
  explicit RecordingWindow(bool taskbar = true) : taskbar_(taskbar) {}

  void SetStatusText(const std::string& text) override {
    status = text;
    Log("status " + text);
  }
  void RepaintNow() override {
    ++repaints;
    Log("repaint");
  }
  void SetProgressBar(int percent) override {
    bar = percent;
    bars.push_back(percent);
    Log("bar " + std::to_string(percent));
  }
  bool HasTaskbar() const override { return taskbar_; }
  void SetTaskbarValue(int value) override {
    taskbarValue = value;
    taskbarValues.push_back(value);
    Log("taskbar " + std::to_string(value));
  }
  void SetTaskbarState(TaskbarState state) override {
    taskbarState = state;
    Log(state == TaskbarState::Error ? "taskbar error" : "taskbar normal");
  }
  void ShowMessageBox(const std::string& text, bool owned) override {
    messages.push_back(text);
    Log(std::string(owned ? "owned" : "unowned") + " message " + text);
  }
  void SetWaitCursor(bool on) override {
    waitCursor = on;
    Log(on ? "cursor on" : "cursor off");
  }
  bool TakeStartedFromCommandLine() override {
    const bool was = startedFromCommandLine;
    startedFromCommandLine = false;
    return was;
  }
  void SetCloseCountdown(int seconds) override { closeCountdown = seconds; }

  // Bar positions (or taskbar values) with consecutive repeats folded.
  static std::vector<int> Distinct(const std::vector<int>& values) {
    std::vector<int> out;
    for (int v : values)
      if (out.empty() || out.back() != v) out.push_back(v);
    return out;
  }

  std::vector<std::string> log;
  std::string status;
  int bar = -1;
  std::vector<int> bars;
  int taskbarValue = -1;
  std::vector<int> taskbarValues;
  TaskbarState taskbarState = TaskbarState::Normal;
  std::vector<std::string> messages;
  int repaints = 0;
  bool waitCursor = false;
  bool startedFromCommandLine = false;
  int closeCountdown = 0;

 private:
  void Log(const std::string& line) { log.push_back(line); }
  bool taskbar_;
};
