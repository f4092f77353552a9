#include <gtest/gtest.h>

#include "device/device_operation.h"
#include "device/target_device.h"
#include "jtag/cable_link.h"
#include "jtag/command_stream.h"
#include "sim_board.h"
#include "support/bytes.h"
#include "support/recording_window.h"

namespace {

using S = TapControllerState;

TEST(TapController, WalksOfTheStandardStateMachine) {
  struct Walk {
    S from;
    const char* tms;
    S to;
  };
  const Walk walks[] = {
      {S::ShiftDR, "11111", S::TestLogicReset}, {S::PauseIR, "11111", S::TestLogicReset},
      {S::TestLogicReset, "0", S::RunTestIdle}, {S::RunTestIdle, "1100", S::ShiftIR},
      {S::RunTestIdle, "100", S::ShiftDR},      {S::PauseIR, "111100", S::ShiftIR},
      {S::PauseDR, "11100", S::ShiftDR},        {S::PauseDR, "110", S::RunTestIdle},
      {S::ShiftIR, "10", S::PauseIR},           {S::ShiftDR, "10", S::PauseDR},
      {S::Exit2DR, "0", S::ShiftDR},            {S::UpdateIR, "1", S::SelectDR},
  };
  for (const Walk& w : walks) {
    S s = w.from;
    for (const char* t = w.tms; *t; ++t) s = NextTapState(s, *t == '1');
    EXPECT_EQ(s, w.to) << TapStateName(w.from) << " + " << w.tms;
  }
}

class SimBoardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    JtagResetEngineForTesting();
    JtagSetCableDrivers(board.Drivers());
  }
  void TearDown() override {
    JtagClose();
    JtagSetCableDrivers(JtagDefaultCableDrivers());
  }
  SimBoard board;
};

TEST_F(SimBoardTest, IdcodeThroughTheWholeStack) {
  ASSERT_TRUE(JtagOpen());
  EXPECT_EQ(board.TapState(), S::RunTestIdle);
  RecordingWindow window;
  VirtualClock clock;
  DeviceOperation op(window, clock);
  EXPECT_EQ(op.ReadIdcode(), target::DEVICE_IDCODE);
  // Shift-DR is left through Exit1 into Pause.
  EXPECT_EQ(board.TapState(), S::PauseDR);
  EXPECT_EQ(board.Target().Instruction(), target::IDCODE);
  EXPECT_EQ(board.Count().bytesRead, 11u);
  JtagClose();
  EXPECT_TRUE(board.Violations().empty()) << board.Violations().front();
}

TEST_F(SimBoardTest, RegistersTakeWhatIsShiftedIn) {
  ASSERT_TRUE(JtagOpen());
  RecordingWindow window;
  VirtualClock clock;
  DeviceOperation op(window, clock);
  op.EnterConfigMode();
  EXPECT_TRUE(board.Target().ConfigMode());
  op.ShiftInstruction(target::CONFIG_ERASE);
  EXPECT_TRUE(op.ReadReady(target::IDLE_POLL));
  EXPECT_TRUE(board.Target().RowBit(0, 0)) << "erased flash reads ones";
  // Write user code 0x12345678 and read it back.
  op.ShiftInstruction(target::WRITE_USERCODE);
  const uint8_t code[4] = {0x78, 0x56, 0x34, 0x12};
  JtagShiftDR(code, 0, 32, false);
  JtagIdle(target::IDLE_USERCODE);
  op.RunInstruction(target::READ_USERCODE, target::IDLE_SETTLE);
  JtagShiftDR(code, 0, 32, true);
  op.Execute(32, true);
  EXPECT_EQ(op.ReceivedWord(), 0x12345678u);
  EXPECT_EQ(board.Target().UserCode(), 0x12345678u);
  EXPECT_TRUE(board.Violations().empty()) << board.Violations().front();
}

TEST_F(SimBoardTest, CheckerCatchesAWrongStream) {
  ASSERT_TRUE(JtagOpen());
  uint32_t written = 0;
  // Byte-shift in Run-Test/Idle with TMS 1, a header for 63 bytes, then too few idle clocks
  // after CONFIG_ENABLE.
  const Bytes tmsHigh = ParseHex("2A 81 FF");
  EXPECT_TRUE(board.Write(tmsHigh.data(), static_cast<uint32_t>(tmsHigh.size()), written));
  ASSERT_EQ(board.Violations().size(), 1u);
  EXPECT_EQ(board.Violations()[0], "cable: byte-shift in Run-Test/Idle with TMS 1");

  JtagResetEngineForTesting();
  JtagSetTapState(TAP_IDLE);
  JtagAppendByte(0x2A);  // back to Test-Logic-Reset, then to Run-Test/Idle
  for (int i = 0; i < 5; ++i) {
    JtagAppendByte(0x2A);
    JtagAppendByte(0x2B);
  }
  JtagAppendByte(0x28);
  JtagAppendByte(0x29);
  const uint8_t enable = target::CONFIG_ENABLE;
  JtagShiftIR(&enable);
  JtagIdle(100);
  const uint8_t status = target::READ_STATUS;
  JtagShiftIR(&status);
  JtagIdle(3200);
  JtagAppendByte(0xBF);
  for (int i = 0; i < 63; ++i) JtagAppendByte(0xFF);
  ASSERT_TRUE(JtagExecute(nullptr, 0, true));
  const std::vector<std::string> expected = {
      "cable: byte-shift in Run-Test/Idle with TMS 1",
      "device: CONFIG_ENABLE needs 3200 idle clocks, got 100",
      "cable: byte-shift header with 63 data bytes",
  };
  EXPECT_EQ(board.Violations(), expected);

  uint8_t buffer[4];
  EXPECT_TRUE(board.Read(buffer, 1, written));
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(board.Violations().back(), "cable: read of 1 bytes with 0 waiting");
  JtagClose();
  EXPECT_FALSE(board.Write(buffer, 1, written));
  EXPECT_EQ(board.Violations().back(), "cable: bytes written after close");
}

TEST(SimFaults, ParsesTheFaultList) {
  const SimFaults f = ParseSimFaults(
      "idcode=0x12345678,erase-busy=30,row-busy=2,never-ready=erase,never-ready=row,status=config:0x10,"
      "status=write:0x80,flip=5:17,usercode-flip=3,sedcrc-flip=0,no-cable,unplug-after-writes=7,"
      "short-read-at=4,extra-byte-at=5,write-fail-at=6");
  EXPECT_EQ(f.idcode, 0x12345678u);
  EXPECT_EQ(f.eraseBusy, 30u);
  EXPECT_EQ(f.rowBusy, 2u);
  EXPECT_TRUE(f.eraseNeverReady && f.rowNeverReady && f.noCable);
  ASSERT_EQ(f.status.size(), 2u);
  EXPECT_EQ(f.status[0].phase, StatusPhase::Config);
  EXPECT_EQ(f.status[1].value, 0x80);
  ASSERT_EQ(f.flips.size(), 1u);
  EXPECT_EQ(f.flips[0].row, 5u);
  EXPECT_EQ(f.flips[0].bit, 17u);
  EXPECT_EQ(f.userCodeFlip, 3u);
  EXPECT_EQ(f.sedCrcFlip, 0u);
  EXPECT_EQ(f.unplugAfterWrites, 7u);
  EXPECT_EQ(f.shortReadAt, 4u);
  EXPECT_EQ(f.extraByteAt, 5u);
  EXPECT_EQ(f.writeFailAt, 6u);

  for (const char* bad : {"frobnicate", "idcode=xyz", "status=later:0x01", "flip=5", "flip=1938:0",
                          "never-ready=soon", "usercode-flip=32", "status=config:0x100"}) {
    EXPECT_THROW(ParseSimFaults(bad), std::invalid_argument) << bad;
  }
}

}  // namespace
