#include <cstdio>
#include <cstring>

#include "device/device_commands.h"
#include "device/device_operation.h"
#include "device/target_device.h"
#include "fuse/jedec_loader.h"
#include "jtag/command_failure.h"
#include "jtag/command_stream.h"

using namespace target;

namespace {

struct Readback {
  int configMismatches = 0;
  uint8_t userCode[4] = {};
  uint8_t sedCrc[4] = {};
};

void RequireStatusClear(DeviceOperation& op, uint8_t mask) {
  if (op.ReadStatus() & mask) throw CommandFailure("status error.");
}

void EraseForProgram(DeviceOperation& op) {
  op.EraseAndWait(ProgramEraseProgress, false);
  op.RunInstruction(CONFIG_DISABLE, IDLE_SETTLE);
  op.RunInstruction(CONFIG_ENABLE, IDLE_SETTLE);
  RequireStatusClear(op, STATUS_MASK_ERASE);
  // Steps back from the erase's 20; the taskbar keeps the erase's value.
  op.window.SetProgressBar(10);
  op.window.SetStatusText("Erace complete, writing...");
  op.window.RepaintNow();
}

void WriteRows(DeviceOperation& op, const FuseMap& fuses) {
  op.RunInstruction(INIT_ADDRESS, IDLE_SHORT);
  for (uint32_t r = 0; r < ROW_COUNT; ++r) {
    op.ShiftInstruction(WRITE_ROW);
    JtagShiftDR(fuses.bytes.data(), r * ROW_BITS, ROW_BITS, false);
    JtagIdle(IDLE_POLL);
    for (uint32_t k = 0; !op.ReadReady(IDLE_SHORT); ++k) {
      if (k > ROW_POLL_LIMIT) throw CommandFailure("Write timeout!");
    }
    if (r % 100 == 0) {
      SetProgress(op.window, 20 + static_cast<int>(r / 50));
      op.window.RepaintNow();
    }
  }
}

void WriteUserCode(DeviceOperation& op, uint32_t userCode) {
  op.ShiftInstruction(WRITE_USERCODE);
  PutWord(op.scratch, userCode);
  JtagShiftDR(op.scratch, 0, USERCODE_BITS, false);
  JtagIdle(IDLE_USERCODE);
  RequireStatusClear(op, STATUS_MASK_USERCODE);
}

// Ten row reads stay queued ahead of the one being collected, so the cable
// always has work while the host compares.
int VerifyRows(DeviceOperation& op, const FuseMap& fuses) {
  int mismatches = 0;
  op.RunInstruction(INIT_ADDRESS, IDLE_SETTLE);
  op.ShiftInstruction(READ_ROW);
  std::memset(op.scratch, 0, sizeof op.scratch);
  auto queueRowRead = [&op] {
    JtagIdle(IDLE_SHORT);
    JtagShiftDR(op.scratch, 0, ROW_BITS, true);
  };
  for (uint32_t i = 0; i < VERIFY_READ_AHEAD; ++i) queueRowRead();
  for (uint32_t r = 0; r < ROW_COUNT; ++r) {
    if (r + VERIFY_READ_AHEAD < ROW_COUNT) queueRowRead();
    op.Execute(ROW_BITS, false);
    mismatches += CountBitDifferences(op.receive, fuses.bytes.data(), r * ROW_BITS, ROW_BITS);
    if (r % 100 == 0) {
      SetProgress(op.window, 60 + static_cast<int>(r / 50));
      op.window.RepaintNow();
    }
  }
  return mismatches;
}

void ReadUserCode(DeviceOperation& op, uint8_t* out) {
  op.RunInstruction(READ_USERCODE, IDLE_SETTLE);
  std::memset(op.scratch, 0xFF, 4);
  JtagShiftDR(op.scratch, 0, USERCODE_BITS, true);
  op.Execute(USERCODE_BITS, true);
  std::memcpy(out, op.receive, 4);
}

void WriteAndReadSedCrc(DeviceOperation& op, const FuseMap& fuses, uint8_t* out) {
  op.ShiftInstruction(WRITE_SED_CRC);
  JtagShiftDR(fuses.bytes.data(), SED_CRC_FIRST_FUSE, SED_CRC_BITS, false);
  JtagIdle(IDLE_SETTLE);
  op.ShiftInstruction(READ_SED_CRC);
  JtagIdle(IDLE_SHORT);
  std::memset(op.scratch, 0, 4);
  JtagShiftDR(op.scratch, 0, SED_CRC_BITS, true);
  op.Execute(SED_CRC_BITS, true);
  std::memcpy(out, op.receive, 4);
}

void Finish(DeviceOperation& op) {
  op.RunInstruction(PROGRAM_DONE, IDLE_SETTLE);
  op.Execute(0, true);
  op.clock.Sleep(PROGRAM_DONE_SETTLE_MS);
  op.ReadStatus();  // read, not tested
  op.RunInstruction(CONFIG_DISABLE, IDLE_SETTLE);
  op.RunInstruction(BYPASS, IDLE_SETTLE);
  op.Execute(0, true);
}

std::string VerifyReport(const Readback& read, uint32_t userCode, const FuseMap& fuses) {
  uint8_t fileUserCode[4];
  PutWord(fileUserCode, userCode);
  char text[256];
  std::snprintf(text, sizeof text,
                "Verify Errors!!\n"
                "Config data mismatch : %d / %d bits\n"
                "   Usercode mismatch : %d / %d bits\n"
                "    SED_CRC mismatch : %d / %d bits\n",
                read.configMismatches, static_cast<int>(CONFIG_BITS),
                CountBitDifferences(read.userCode, fileUserCode, 0, USERCODE_BITS), static_cast<int>(USERCODE_BITS),
                CountBitDifferences(read.sedCrc, fuses.bytes.data(), SED_CRC_FIRST_FUSE, SED_CRC_BITS),
                static_cast<int>(SED_CRC_BITS));
  return text;
}

}  // namespace

int CountBitDifferences(const uint8_t* a, const uint8_t* b, uint32_t start, uint32_t n) {
  int count = 0;
  for (uint32_t k = 0; k < n; ++k) {
    const bool bitA = (a[k / 8] >> (k % 8)) & 1;
    const uint32_t j = start + k;
    const bool bitB = (b[j / 8] >> (j % 8)) & 1;
    count += bitA != bitB;
  }
  return count;
}

CommandOutcome ProgramDevice(WindowOperations& window, Clock& clock, const std::filesystem::path& file) {
  const bool startedFromCommandLine = window.TakeStartedFromCommandLine();
  WaitCursor cursor(window);
  SetProgress(window, 0);
  DeviceOperation op(window, clock);
  op.StartClock();

  const std::optional<JedecImage> image = LoadJedecFile(window, file);
  if (!image) return CommandOutcome::Failed;
  // The sequence reads fuses 0..1,236,475: a shorter map would be read past
  // its end, and fuses past the file's count were never given.
  if (!image->fuseMap || image->fuseMap->Capacity() < MIN_FUSE_COUNT ||
      image->fuseCount < static_cast<int32_t>(MIN_FUSE_COUNT)) {
    window.SetStatusText("Fuse map too small.");
    SetProgress(window, -20);
    return CommandOutcome::Failed;
  }
  const FuseMap& fuses = *image->fuseMap;

  SetProgress(window, 5);
  if (!op.OpenCable()) return CommandOutcome::Failed;

  CommandOutcome outcome = CommandOutcome::Failed;
  op.RunOnOpenCable([&] {
    op.CheckIdcode();
    op.EnterConfigMode();
    EraseForProgram(op);
    WriteRows(op, fuses);
    WriteUserCode(op, image->userCode);
    window.SetStatusText("Write complete, verifying...");
    window.RepaintNow();
    RequireStatusClear(op, STATUS_MASK_WRITE);

    Readback read;
    read.configMismatches = VerifyRows(op, fuses);
    ReadUserCode(op, read.userCode);
    WriteAndReadSedCrc(op, fuses, read.sedCrc);
    RequireStatusClear(op, STATUS_MASK_SED_CRC);
    Finish(op);
    SetProgress(window, 100);

    const bool verified =
        read.configMismatches == 0 && WordAt(read.userCode) == image->userCode &&
        CountBitDifferences(read.sedCrc, fuses.bytes.data(), SED_CRC_FIRST_FUSE, SED_CRC_BITS) == 0;
    if (verified) {
      window.SetStatusText(op.ElapsedText("Program success. (%.3fsec)"));
      if (startedFromCommandLine) window.SetCloseCountdown(4);
      outcome = CommandOutcome::Success;
    } else {
      SetProgress(window, -100);
      window.SetStatusText(op.ElapsedText("Verify error!! (%.3fsec)"));
      window.ShowMessageBox(VerifyReport(read, image->userCode, fuses), true);
      outcome = CommandOutcome::VerifyFailed;
    }
  });
  return outcome;
}
