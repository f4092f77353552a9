#pragma once

#include <string>

#include "device/window_operations.h"

// A window that shows nothing and remembers the last status text.
class SilentWindow final : public WindowOperations {
 public:
  void SetStatusText(const std::string& text) override { status = text; }
  void RepaintNow() override {}
  void SetProgressBar(int) override {}
  bool HasTaskbar() const override { return false; }
  void SetTaskbarValue(int) override {}
  void SetTaskbarState(TaskbarState) override {}
  void ShowMessageBox(const std::string&, bool) override {}
  void SetWaitCursor(bool) override {}
  bool TakeStartedFromCommandLine() override { return false; }
  void SetCloseCountdown(int) override {}

  std::string status;
};
