#pragma once

#include <string>

enum class TaskbarState { Normal, Error };

// Everything the loader and the device commands may do to the window. The Qt
// window implements it; the command-line tool and the tests have their own.
class WindowOperations {
 public:
  virtual ~WindowOperations() = default;

  virtual void SetStatusText(const std::string& text) = 0;
  // Draw pending changes before returning; commands block the event loop.
  virtual void RepaintNow() = 0;
  virtual void SetProgressBar(int percent) = 0;

  virtual bool HasTaskbar() const = 0;
  virtual void SetTaskbarValue(int completedOf100) = 0;
  virtual void SetTaskbarState(TaskbarState state) = 0;

  // Modal; returns when dismissed. Owned boxes belong to the main window.
  virtual void ShowMessageBox(const std::string& text, bool ownedByWindow) = 0;
  virtual void SetWaitCursor(bool on) = 0;

  // The window's auto-close state: the flag is read and cleared in one step.
  virtual bool TakeStartedFromCommandLine() = 0;
  virtual void SetCloseCountdown(int seconds) = 0;
};

// The bar and the taskbar in one call: below 0 marks a failure at that level
// (taskbar only), 0 starts afresh, above 0 is a step.
void SetProgress(WindowOperations& window, int percent);
