#pragma once

#include <cstdio>
#include <string>

#include "device/window_operations.h"
#include "jtag/clock.h"

// The window operations on a terminal: a one-line progress bar on standard
// error when it is a terminal, plain status lines when it is not.
class ConsoleWindow final : public WindowOperations {
 public:
  explicit ConsoleWindow(Clock& clock, bool quiet = false);

  void SetStatusText(const std::string& text) override;
  void RepaintNow() override;
  void SetProgressBar(int percent) override;
  bool HasTaskbar() const override { return false; }
  void SetTaskbarValue(int) override {}
  void SetTaskbarState(TaskbarState) override {}
  void ShowMessageBox(const std::string& text, bool ownedByWindow) override;
  void SetWaitCursor(bool) override {}
  bool TakeStartedFromCommandLine() override { return false; }
  void SetCloseCountdown(int) override {}

  const std::string& Status() const { return status_; }
  // Ends the progress line and prints the final status text on standard output.
  void Finish();

 private:
  void Redraw();

  Clock& clock_;
  bool terminal_;
  bool quiet_;
  uint32_t start_;
  std::string status_;
  int percent_ = 0;
  bool lineOpen_ = false;
};
