#include <gtest/gtest.h>

#include "device/device_operation.h"
#include "device/target_device.h"
#include "jtag/cable_link.h"
#include "jtag/command_stream.h"
#include "sim_board.h"
#include "support/recording_window.h"

namespace {

// The frame around the shared steps: open, identify, configuration mode, close.
struct Frame {
  explicit Frame(const std::string& faults) : board(ParseSimFaults(faults)) {
    JtagResetEngineForTesting();
    JtagSetCableDrivers(board.Drivers());
  }
  ~Frame() { JtagSetCableDrivers(JtagDefaultCableDrivers()); }

  void Run(const std::function<void(DeviceOperation&)>& steps) {
    DeviceOperation op(window, clock);
    WaitCursor cursor(window);
    SetProgress(window, 0);
    op.StartClock();
    if (!op.OpenCable()) return;
    op.RunOnOpenCable([&] { steps(op); });
  }

  SimBoard board;
  RecordingWindow window;
  VirtualClock clock;
};

void Identify(DeviceOperation& op) {
  op.CheckIdcode();
  op.EnterConfigMode();
}

struct FrameCase {
  const char* faults;
  const char* status;  // final status text
  bool opened;
};

TEST(DeviceFrame, OutcomesOfIdentifyAndConfigure) {
  const FrameCase cases[] = {
      {"", "IDCODE OK. Eracing...", true},
      {"no-cable", "Could not open JTAG cable.", false},
      {"idcode=0x00000000", "IDCODE error.", true},
      {"idcode=0xFFFFFFFF", "IDCODE error.", true},
      {"idcode=0x020A10DD", "IDCODE error.", true},
      {"status=config:0x54", "status error.", true},
      {"status=config:0x04", "status error.", true},
      {"status=config:0x10", "status error.", true},
      {"status=config:0x40", "status error.", true},
      {"status=config:0x01", "IDCODE OK. Eracing...", true},
      {"status=config:0x02", "IDCODE OK. Eracing...", true},
      {"status=config:0x08", "IDCODE OK. Eracing...", true},
      {"status=config:0x20", "IDCODE OK. Eracing...", true},
      {"status=config:0x80", "IDCODE OK. Eracing...", true},
      {"write-fail-at=2", "JTAG cable error.", true},
      {"short-read-at=2", "JTAG cable error.", true},
      {"extra-byte-at=3", "JTAG cable error.", true},
  };
  for (const FrameCase& c : cases) {
    SCOPED_TRACE(c.faults);
    Frame frame(c.faults);
    frame.Run(Identify);
    const RecordingWindow& w = frame.window;
    EXPECT_EQ(w.status, c.status);
    EXPECT_FALSE(JtagCableIsOpen());
    EXPECT_EQ(frame.board.Count().opens, c.opened ? 1u : 0u);
    EXPECT_FALSE(w.waitCursor);
    const bool ok = std::string(c.status) == "IDCODE OK. Eracing...";
    EXPECT_EQ(w.taskbarState, ok ? TaskbarState::Normal : TaskbarState::Error);
    EXPECT_EQ(w.taskbarValue, ok ? 0 : 20);
    EXPECT_EQ(w.bar, 0) << "a failure moves only the taskbar";
    if (c.opened && ok) {
      EXPECT_TRUE(frame.board.Violations().empty()) << frame.board.Violations().front();
    }
  }
}

TEST(DeviceFrame, EngineStateErrorIsCaughtLikeTheOthers) {
  Frame frame("");
  frame.Run([](DeviceOperation& op) {
    JtagSetTapState(TAP_NONE);
    op.CheckIdcode();
  });
  EXPECT_EQ(frame.window.status, "jtag : state error!\n");
  EXPECT_EQ(frame.window.taskbarState, TaskbarState::Error);
  EXPECT_FALSE(JtagCableIsOpen());
}

TEST(DeviceFrame, NothingIsSentAfterAFailure) {
  Frame frame("idcode=0x12345678");
  frame.Run([](DeviceOperation& op) {
    op.CheckIdcode();
    op.EnterConfigMode();
  });
  EXPECT_EQ(frame.board.Count().writes, 2u) << "preamble and the IDCODE read only";
  EXPECT_FALSE(frame.board.Target().ConfigMode());
}

struct ErasePoll {
  const char* faults;
  bool timesOut;
  uint32_t readyReads;
};

TEST(EraseAndWait, PollLimitIs402Reads) {
  const ErasePoll cases[] = {
      {"never-ready=erase", true, 402},
      {"erase-busy=401", false, 402},
      {"erase-busy=0", false, 1},
  };
  for (const ErasePoll& c : cases) {
    SCOPED_TRACE(c.faults);
    Frame frame(c.faults);
    frame.Run([](DeviceOperation& op) {
      Identify(op);
      op.EraseAndWait(ProgramEraseProgress, false);
      op.window.SetStatusText("erased");
    });
    EXPECT_EQ(frame.window.status, c.timesOut ? "Erace time out!!" : "erased");
    EXPECT_EQ(frame.board.Target().ReadyReads(), c.readyReads);
    const uint32_t busy = c.timesOut ? c.readyReads : c.readyReads - 1;
    EXPECT_EQ(frame.clock.SleepCount(), busy) << "one 50 ms sleep after each busy answer";
    EXPECT_EQ(frame.clock.TotalSlept(), 50ull * busy);
    EXPECT_EQ(frame.window.bar, c.readyReads > 1 ? 20 : 0);
    EXPECT_EQ(frame.window.repaints, 1) << "only the IDCODE OK repaint";
  }
}

TEST(EraseAndWait, ProgressRules) {
  struct Rule {
    DeviceOperation::ProgressRule rule;
    bool repaint;
    std::vector<int> firstBars;
    int sixtyFirst;
  };
  const Rule rules[] = {
      {ProgramEraseProgress, false, {5, 5, 5, 5, 6, 6, 6, 6, 7}, 20},
      {EraseOnlyProgress, true, {20, 21, 22, 23, 24, 25, 26, 27, 28}, 80},
  };
  for (const Rule& r : rules) {
    Frame frame("erase-busy=70");
    frame.Run([&](DeviceOperation& op) {
      Identify(op);
      op.EraseAndWait(r.rule, r.repaint);
    });
    const std::vector<int>& bars = frame.window.bars;
    // bars[0] is the start's 0; then one per busy answer.
    ASSERT_EQ(bars.size(), 71u);
    EXPECT_EQ(std::vector<int>(bars.begin() + 1, bars.begin() + 10), r.firstBars);
    EXPECT_EQ(bars[60], r.sixtyFirst - 1) << "the 60th busy answer";
    EXPECT_EQ(bars[61], r.sixtyFirst) << "the 61st busy answer";
    EXPECT_EQ(bars[70], r.sixtyFirst) << "flat afterwards";
    EXPECT_EQ(frame.window.repaints, 1 + (r.repaint ? 70 : 0));
    EXPECT_EQ(frame.window.taskbarValues.back(), r.sixtyFirst);
  }
}

TEST(ElapsedTime, ThreeDecimalsAcrossAClockWrap) {
  struct Case {
    uint32_t start;
    uint32_t elapsed;
    const char* text;
  };
  const Case cases[] = {{0, 0, "0.000"}, {1000, 12345, "12.345"}, {0xFFFFFC18u, 61000, "61.000"}};
  for (const Case& c : cases) {
    RecordingWindow window;
    VirtualClock clock(c.start);
    DeviceOperation op(window, clock);
    op.StartClock();
    clock.Advance(c.elapsed);
    EXPECT_EQ(op.ElapsedText("%.3f"), c.text);
  }
}

TEST(SetProgressRules, BarAndTaskbar) {
  RecordingWindow window;
  SetProgress(window, -20);
  SetProgress(window, 0);
  SetProgress(window, 42);
  const std::vector<std::string> expected = {"taskbar 20", "taskbar error", "bar 0",   "taskbar normal",
                                             "taskbar 0",  "bar 42",        "taskbar 42"};
  EXPECT_EQ(window.log, expected);

  RecordingWindow noTaskbar(false);
  SetProgress(noTaskbar, -1);
  SetProgress(noTaskbar, 7);
  EXPECT_EQ(noTaskbar.log, std::vector<std::string>{"bar 7"});
}

}  // namespace
