#include "sim_target.h"

#include <cstdio>

#include "device/target_device.h"

using namespace target;

namespace {

uint32_t Word(const std::vector<uint8_t>& bits) {
  uint32_t value = 0;
  for (uint32_t i = 0; i < 32; ++i) value |= static_cast<uint32_t>(bits[i] & 1) << i;
  return value;
}

void PutWord(std::vector<uint8_t>& bits, uint32_t value) {
  for (uint32_t i = 0; i < 32; ++i) bits[i] = (value >> i) & 1;
}

std::string Hex(uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%02X", v);
  return text;
}

}  // namespace

SimTarget::SimTarget(const SimFaults& faults, std::vector<std::string>& violations)
    : faults_(faults), violations_(violations), instruction_(IDCODE), flash_((CONFIG_BITS + 7) / 8, 0x00) {}

void SimTarget::FillFlash(uint8_t value) { flash_.assign(flash_.size(), value); }

void SimTarget::Violation(const std::string& what) { violations_.push_back("device: " + what); }

void SimTarget::RequireIdle(uint32_t clocks, const char* what) {
  if (idleSinceUpdate_ < clocks) {
    Violation(std::string(what) + " needs " + std::to_string(clocks) + " idle clocks, got " +
              std::to_string(idleSinceUpdate_));
  }
}

void SimTarget::Reset() { instruction_ = IDCODE; }

uint32_t SimTarget::DrLength() const {
  switch (instruction_) {
    case IDCODE:
    case WRITE_USERCODE:
    case READ_USERCODE:
    case WRITE_SED_CRC:
    case READ_SED_CRC:
      return 32;
    case SAMPLE_PRELOAD:
      return PRELOAD_BITS;
    case READ_STATUS:
      return 8;
    case WRITE_ROW:
    case READ_ROW:
      return ROW_BITS;
    default:
      return 1;  // READ_READY, BYPASS and the instructions without a scan
  }
}

bool SimTarget::RowBit(uint32_t row, uint32_t bit) const {
  const uint32_t fuse = row * ROW_BITS + bit;
  return (flash_[fuse / 8] >> (fuse % 8)) & 1;
}

uint8_t SimTarget::Status() {
  ++statusReads_;
  std::optional<StatusPhase> phase;
  switch (lastEvent_) {
    case Event::ConfigEnabled: phase = StatusPhase::Config; break;
    case Event::ConfigEnabledAfterErase: phase = StatusPhase::Erase; break;
    case Event::UserCodeWritten:
      phase = StatusPhase::UserCode;
      lastEvent_ = Event::UserCodeChecked;
      break;
    case Event::UserCodeChecked: phase = StatusPhase::Write; break;
    case Event::SedCrc: phase = StatusPhase::SedCrc; break;
    default: break;
  }
  uint8_t status = writeError_ ? 0x01 : 0x00;
  for (const StatusFault& fault : faults_.status) {
    if (phase && fault.phase == *phase) status |= fault.value;
  }
  return status;
}

bool SimTarget::AnswerReady() {
  ++readyReads_;
  if (!Busy()) return true;
  if ((erasing_ && faults_.eraseNeverReady) || (rowWriting_ && faults_.rowNeverReady)) return false;
  if (busyLeft_ > 0) {
    --busyLeft_;
    return false;
  }
  if (erasing_) erasedSinceEnable_ = true;
  erasing_ = rowWriting_ = false;
  return true;
}

void SimTarget::CaptureDR(std::vector<uint8_t>& bits) {
  bits.assign(DrLength(), 0);
  switch (instruction_) {
    case IDCODE:
      PutWord(bits, faults_.idcode);
      break;
    case READ_STATUS: {
      RequireIdle(IDLE_SETTLE, "READ_STATUS");
      const uint8_t status = Status();
      for (int i = 0; i < 8; ++i) bits[i] = (status >> i) & 1;
      break;
    }
    case READ_READY:
      bits[0] = AnswerReady();
      break;
    case READ_ROW: {
      RequireIdle(IDLE_SHORT, "READ_ROW");
      if (!configMode_) Violation("READ_ROW outside configuration mode");
      if (rowAddress_ >= ROW_COUNT) {
        Violation("READ_ROW past the last row");
        break;
      }
      for (uint32_t i = 0; i < ROW_BITS; ++i) bits[i] = RowBit(rowAddress_, i);
      for (const RowBitFlip& flip : faults_.flips) {
        if (flip.row == rowAddress_) bits[flip.bit] ^= 1;
      }
      ++rowAddress_;
      ++rowsRead_;
      break;
    }
    case READ_USERCODE:
      RequireIdle(IDLE_SETTLE, "READ_USERCODE");
      PutWord(bits, userCode_ ^ (faults_.userCodeFlip ? 1u << *faults_.userCodeFlip : 0));
      break;
    case READ_SED_CRC:
      RequireIdle(IDLE_SHORT, "READ_SED_CRC");
      PutWord(bits, sedCrc_ ^ (faults_.sedCrcFlip ? 1u << *faults_.sedCrcFlip : 0));
      lastEvent_ = Event::SedCrc;
      break;
    default:
      break;
  }
  idleSinceUpdate_ = 0;
}

void SimTarget::WriteRow(const std::vector<uint8_t>& bits) {
  if (!configMode_) {
    Violation("WRITE_ROW outside configuration mode");
    writeError_ = true;
    return;
  }
  if (rowAddress_ >= ROW_COUNT) {
    Violation("WRITE_ROW past the last row");
    return;
  }
  const uint32_t first = rowAddress_ * ROW_BITS;
  for (uint32_t i = 0; i < ROW_BITS; ++i) {
    if (!bits[i]) flash_[(first + i) / 8] &= static_cast<uint8_t>(~(1u << ((first + i) % 8)));
  }
  ++rowAddress_;
  ++rowsWritten_;
  rowWriting_ = true;
  busyLeft_ = faults_.rowBusy;
}

void SimTarget::UpdateDR(const std::vector<uint8_t>& bits) {
  switch (instruction_) {
    case WRITE_ROW:
      WriteRow(bits);
      idleNeeded_ = IDLE_POLL;
      idleNeededFor_ = "WRITE_ROW";
      break;
    case WRITE_USERCODE:
      if (!configMode_) {
        Violation("WRITE_USERCODE outside configuration mode");
        writeError_ = true;
      } else {
        userCode_ &= Word(bits);
      }
      lastEvent_ = Event::UserCodeWritten;
      idleNeeded_ = IDLE_USERCODE;
      idleNeededFor_ = "WRITE_USERCODE";
      break;
    case WRITE_SED_CRC:
      if (!configMode_) {
        Violation("WRITE_SED_CRC outside configuration mode");
        writeError_ = true;
      } else {
        sedCrc_ &= Word(bits);
      }
      lastEvent_ = Event::SedCrc;
      idleNeeded_ = IDLE_SETTLE;
      idleNeededFor_ = "WRITE_SED_CRC";
      break;
    case READ_READY:
      // The next poll comes after the idle clocks of the operation still running.
      idleNeeded_ = erasing_ ? IDLE_POLL : rowWriting_ ? IDLE_SHORT : 0;
      idleNeededFor_ = "READ_READY poll";
      break;
    default:
      break;
  }
  idleSinceUpdate_ = 0;
}

void SimTarget::UpdateIR(uint8_t opcode) {
  RequireIdle(idleNeeded_, idleNeededFor_);
  idleNeeded_ = 0;
  idleSinceUpdate_ = 0;
  if (Busy() && opcode != READ_READY) Violation("instruction " + Hex(opcode) + " while busy");
  instruction_ = opcode;

  auto needIdle = [this](uint32_t clocks, const char* name) {
    idleNeeded_ = clocks;
    idleNeededFor_ = name;
  };
  switch (opcode) {
    case CONFIG_ENABLE:
      configMode_ = true;
      lastEvent_ = erasedSinceEnable_ ? Event::ConfigEnabledAfterErase : Event::ConfigEnabled;
      erasedSinceEnable_ = false;
      needIdle(IDLE_SETTLE, "CONFIG_ENABLE");
      break;
    case CONFIG_DISABLE:
      configMode_ = false;
      needIdle(IDLE_SETTLE, "CONFIG_DISABLE");
      break;
    case CONFIG_ERASE:
      if (!configMode_) {
        Violation("CONFIG_ERASE outside configuration mode");
        break;
      }
      FillFlash(0xFF);
      userCode_ = sedCrc_ = 0xFFFFFFFF;
      writeError_ = false;
      done_ = false;
      erasing_ = true;
      busyLeft_ = faults_.eraseBusy;
      needIdle(IDLE_POLL, "CONFIG_ERASE");
      break;
    case INIT_ADDRESS:
      rowAddress_ = 0;
      needIdle(IDLE_SHORT, "INIT_ADDRESS");
      break;
    case PROGRAM_DONE:
      if (!configMode_) Violation("PROGRAM_DONE outside configuration mode");
      done_ = true;
      lastEvent_ = Event::Done;
      needIdle(IDLE_SETTLE, "PROGRAM_DONE");
      break;
    default:
      break;
  }
}
