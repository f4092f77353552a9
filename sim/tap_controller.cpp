#include "tap_controller.h"

namespace {

using S = TapControllerState;

struct Transition {
  S onTms0;
  S onTms1;
};

// Indexed by the current state, in enum order.
constexpr Transition kTransitions[] = {
    /* TestLogicReset */ {S::RunTestIdle, S::TestLogicReset},
    /* RunTestIdle    */ {S::RunTestIdle, S::SelectDR},
    /* SelectDR       */ {S::CaptureDR, S::SelectIR},
    /* CaptureDR      */ {S::ShiftDR, S::Exit1DR},
    /* ShiftDR        */ {S::ShiftDR, S::Exit1DR},
    /* Exit1DR        */ {S::PauseDR, S::UpdateDR},
    /* PauseDR        */ {S::PauseDR, S::Exit2DR},
    /* Exit2DR        */ {S::ShiftDR, S::UpdateDR},
    /* UpdateDR       */ {S::RunTestIdle, S::SelectDR},
    /* SelectIR       */ {S::CaptureIR, S::TestLogicReset},
    /* CaptureIR      */ {S::ShiftIR, S::Exit1IR},
    /* ShiftIR        */ {S::ShiftIR, S::Exit1IR},
    /* Exit1IR        */ {S::PauseIR, S::UpdateIR},
    /* PauseIR        */ {S::PauseIR, S::Exit2IR},
    /* Exit2IR        */ {S::ShiftIR, S::UpdateIR},
    /* UpdateIR       */ {S::RunTestIdle, S::SelectDR},
};

constexpr const char* kNames[] = {
    "Test-Logic-Reset", "Run-Test/Idle", "Select-DR-Scan", "Capture-DR", "Shift-DR", "Exit1-DR",
    "Pause-DR",         "Exit2-DR",      "Update-DR",      "Select-IR-Scan", "Capture-IR", "Shift-IR",
    "Exit1-IR",         "Pause-IR",      "Exit2-IR",       "Update-IR",
};

}  // namespace

TapControllerState NextTapState(TapControllerState state, bool tms) {
  const Transition& t = kTransitions[static_cast<int>(state)];
  return tms ? t.onTms1 : t.onTms0;
}

const char* TapStateName(TapControllerState state) { return kNames[static_cast<int>(state)]; }
