#pragma once

#include <cstdint>

// The IEEE 1149.1 TAP controller: sixteen states, moved by TMS on each rising
// edge of TCK.
enum class TapControllerState : uint8_t {
  TestLogicReset,
  RunTestIdle,
  SelectDR,
  CaptureDR,
  ShiftDR,
  Exit1DR,
  PauseDR,
  Exit2DR,
  UpdateDR,
  SelectIR,
  CaptureIR,
  ShiftIR,
  Exit1IR,
  PauseIR,
  Exit2IR,
  UpdateIR,
};

TapControllerState NextTapState(TapControllerState state, bool tms);
const char* TapStateName(TapControllerState state);
