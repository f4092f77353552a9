#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "device/window_operations.h"
#include "jtag/clock.h"

// The context of one device command: the window it reports to, the clock it
// times and sleeps with, and its shift and receive buffers.
class DeviceOperation {
 public:
  DeviceOperation(WindowOperations& window, Clock& clock) : window(window), clock(clock) {}

  WindowOperations& window;
  Clock& clock;
  uint32_t startTime = 0;
  uint8_t scratch[80] = {};
  uint8_t receive[85] = {};

  void StartClock() { startTime = clock.Milliseconds(); }
  // Seconds since StartClock, right across a wrap of the 32-bit clock.
  double ElapsedSeconds() const;
  // Formats one "%.3f" message with the elapsed seconds.
  std::string ElapsedText(const char* format) const;

  void ShiftInstruction(uint8_t opcode);
  void RunInstruction(uint8_t opcode, uint32_t clocks);
  uint8_t ReadStatus();
  bool ReadReady(uint32_t clocks);
  // Executes what is queued; a failed execute raises "JTAG cable error.".
  void Execute(uint32_t capturedBits, bool checkEmpty);
  uint32_t ReceivedWord() const;

  uint32_t ReadIdcode();
  void CheckIdcode();
  void EnterConfigMode();

  using ProgressRule = int (*)(uint32_t poll);
  void EraseAndWait(ProgressRule rule, bool repaintEachPoll);

  // Opens the cable; on failure reports "Could not open JTAG cable." itself.
  bool OpenCable();
  // Runs steps in the failure scope and closes the cable afterwards, whatever
  // happened. A raised message goes to the status line with SetProgress(-20).
  void RunOnOpenCable(const std::function<void()>& steps);
};

// 32-bit words in byte buffers, least significant byte first (bit 0 first).
uint32_t WordAt(const uint8_t* bytes);
void PutWord(uint8_t* bytes, uint32_t value);

// Erase progress for poll n: Program runs 5..20, "Erace Only" 20..80, both
// flat from the 61st busy answer on.
int ProgramEraseProgress(uint32_t poll);
int EraseOnlyProgress(uint32_t poll);

// Shows the wait cursor for one command, on every path out.
class WaitCursor {
 public:
  explicit WaitCursor(WindowOperations& window) : window_(window) { window_.SetWaitCursor(true); }
  ~WaitCursor() { window_.SetWaitCursor(false); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  WindowOperations& window_;
};
