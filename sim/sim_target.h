#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim_faults.h"

// The target FPGA as its JTAG port sees it: an 8-bit instruction register,
// the data registers its instructions select, configuration flash that can
// only clear bits until it is erased, and a busy flag polled with READ_READY.
// It records a violation whenever the host gives it fewer idle clocks than an
// operation needs or uses an instruction out of place.
class SimTarget {
 public:
  SimTarget(const SimFaults& faults, std::vector<std::string>& violations);

  void Reset();  // Test-Logic-Reset: IDCODE selected
  void Idle(uint32_t clocks) { idleSinceUpdate_ += clocks; }
  uint32_t DrLength() const;
  // bits: one entry per register bit, first shifted out first.
  void CaptureDR(std::vector<uint8_t>& bits);
  void UpdateDR(const std::vector<uint8_t>& bits);
  void UpdateIR(uint8_t opcode);

  // Inspection.
  bool RowBit(uint32_t row, uint32_t bit) const;
  const std::vector<uint8_t>& Flash() const { return flash_; }  // packed, fuse order
  uint32_t UserCode() const { return userCode_; }
  uint32_t SedCrc() const { return sedCrc_; }
  bool ConfigMode() const { return configMode_; }
  bool Done() const { return done_; }
  uint8_t Instruction() const { return instruction_; }
  uint32_t ReadyReads() const { return readyReads_; }
  uint32_t StatusReads() const { return statusReads_; }
  uint32_t RowsWritten() const { return rowsWritten_; }
  uint32_t RowsRead() const { return rowsRead_; }

  // Flash content before anything is programmed.
  void FillFlash(uint8_t value);

 private:
  enum class Event { None, ConfigEnabled, ConfigEnabledAfterErase, UserCodeWritten, UserCodeChecked, SedCrc, Done };

  void Violation(const std::string& what);
  void RequireIdle(uint32_t clocks, const char* what);
  bool Busy() const { return erasing_ || rowWriting_; }
  uint8_t Status();
  bool AnswerReady();
  void WriteRow(const std::vector<uint8_t>& bits);

  const SimFaults& faults_;
  std::vector<std::string>& violations_;

  uint8_t instruction_;
  uint32_t idleSinceUpdate_ = 0;
  uint32_t idleNeeded_ = 0;          // before the next instruction is loaded
  const char* idleNeededFor_ = "";
  std::vector<uint8_t> flash_;
  uint32_t userCode_ = 0;
  uint32_t sedCrc_ = 0;
  uint32_t rowAddress_ = 0;
  bool configMode_ = false;
  bool erasing_ = false;
  bool rowWriting_ = false;
  uint32_t busyLeft_ = 0;
  bool erasedSinceEnable_ = false;
  bool writeError_ = false;
  bool done_ = false;
  Event lastEvent_ = Event::None;

  uint32_t readyReads_ = 0;
  uint32_t statusReads_ = 0;
  uint32_t rowsWritten_ = 0;
  uint32_t rowsRead_ = 0;
};
