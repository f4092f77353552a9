#include "device/device_operation.h"

#include <cstdio>
#include <cstring>

#include "device/target_device.h"
#include "jtag/cable_link.h"
#include "jtag/command_failure.h"
#include "jtag/command_stream.h"

using namespace target;

void SetProgress(WindowOperations& window, int percent) {
  if (percent >= 0) window.SetProgressBar(percent);
  if (!window.HasTaskbar()) return;
  if (percent < 0) {
    window.SetTaskbarValue(-percent);
    window.SetTaskbarState(TaskbarState::Error);
  } else if (percent == 0) {
    window.SetTaskbarState(TaskbarState::Normal);
    window.SetTaskbarValue(0);
  } else {
    window.SetTaskbarValue(percent);
  }
}

int ProgramEraseProgress(uint32_t poll) { return poll <= 60 ? 5 + static_cast<int>(poll / 4) : 20; }

int EraseOnlyProgress(uint32_t poll) { return poll <= 60 ? 20 + static_cast<int>(poll) : 80; }

double DeviceOperation::ElapsedSeconds() const {
  const uint32_t elapsed = clock.Milliseconds() - startTime;
  return elapsed / 1000.0;
}

std::string DeviceOperation::ElapsedText(const char* format) const {
  char text[64];
  std::snprintf(text, sizeof text, format, ElapsedSeconds());
  return text;
}

void DeviceOperation::ShiftInstruction(uint8_t opcode) {
  scratch[0] = opcode;
  JtagShiftIR(scratch);
}

void DeviceOperation::RunInstruction(uint8_t opcode, uint32_t clocks) {
  ShiftInstruction(opcode);
  JtagIdle(clocks);
}

void DeviceOperation::Execute(uint32_t capturedBits, bool checkEmpty) {
  if (!JtagExecute(capturedBits ? receive : nullptr, capturedBits, checkEmpty)) {
    throw CommandFailure("JTAG cable error.");
  }
}

uint32_t WordAt(const uint8_t* bytes) {
  return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

void PutWord(uint8_t* bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t DeviceOperation::ReceivedWord() const { return WordAt(receive); }

uint8_t DeviceOperation::ReadStatus() {
  RunInstruction(READ_STATUS, IDLE_SETTLE);
  scratch[0] = 0;
  JtagShiftDR(scratch, 0, 8, true);
  Execute(8, true);
  return receive[0];
}

bool DeviceOperation::ReadReady(uint32_t clocks) {
  JtagIdle(clocks);
  ShiftInstruction(READ_READY);
  scratch[0] = 0;
  JtagShiftDR(scratch, 0, 1, true);
  Execute(1, true);
  return receive[0] & 1;
}

uint32_t DeviceOperation::ReadIdcode() {
  ShiftInstruction(IDCODE);
  JtagShiftDR(scratch, 0, 32, true);
  Execute(32, true);
  return ReceivedWord();
}

void DeviceOperation::CheckIdcode() {
  if (ReadIdcode() != DEVICE_IDCODE) throw CommandFailure("IDCODE error.");
  window.SetStatusText("IDCODE OK. Eracing...");
  window.RepaintNow();
}

void DeviceOperation::EnterConfigMode() {
  ShiftInstruction(SAMPLE_PRELOAD);
  std::memset(scratch, 0xFF, (PRELOAD_BITS + 7) / 8);
  JtagShiftDR(scratch, 0, PRELOAD_BITS, false);
  RunInstruction(CONFIG_ENABLE, IDLE_SETTLE);
  if (ReadStatus() & STATUS_MASK_CONFIG) throw CommandFailure("status error.");
}

void DeviceOperation::EraseAndWait(ProgressRule rule, bool repaintEachPoll) {
  ShiftInstruction(CONFIG_ERASE);  // goes out with the first poll
  for (uint32_t n = 0;; ++n) {
    if (ReadReady(IDLE_POLL)) return;
    SetProgress(window, rule(n));
    if (repaintEachPoll) window.RepaintNow();
    clock.Sleep(ERASE_POLL_SLEEP_MS);
    if (n > ERASE_POLL_LIMIT) throw CommandFailure("Erace time out!!");
  }
}

bool DeviceOperation::OpenCable() {
  if (JtagOpen()) return true;
  window.SetStatusText("Could not open JTAG cable.");
  SetProgress(window, -20);
  return false;
}

void DeviceOperation::RunOnOpenCable(const std::function<void()>& steps) {
  struct CloseOnExit {
    ~CloseOnExit() { JtagClose(); }
  } closeOnExit;
  try {
    steps();
  } catch (const CommandFailure& failure) {
    // Nothing more goes to the device: it stays as the failure found it.
    window.SetStatusText(failure.what());
    SetProgress(window, -20);
  }
}
