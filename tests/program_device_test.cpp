#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "device/device_commands.h"
#include "device/target_device.h"
#include "fuse/jedec_parser.h"
#include "jedec_generator.h"
#include "jtag/cable_link.h"
#include "jtag/command_stream.h"
#include "jtag/trace_transport.h"
#include "sim_board.h"
#include "support/bytes.h"
#include "support/recording_window.h"
#include "support/temp_file.h"

namespace {

using namespace target;

// One full-size example file for every test here.
class ExampleFile {
 public:
  static const ExampleFile& Get() {
    static const ExampleFile file;
    return file;
  }
  std::filesystem::path path;
  std::filesystem::path pathWithoutUserCode;
  FuseMap fuses;
  uint32_t userCode;

 private:
  ExampleFile() {
    JedecExample example;
    fuses = MakeExampleFuses(example);
    userCode = *example.userCode;
    std::ostringstream text;
    WriteJedec(text, example, fuses);
    path = dir_.Write("example.jed", text.str());
    example.userCode.reset();
    std::ostringstream plain;
    WriteJedec(plain, example, fuses);
    pathWithoutUserCode = dir_.Write("no-usercode.jed", plain.str());
  }
  TempDir dir_;
};

// A command against the simulated board, with the cable traffic traced.
struct SimRun {
  explicit SimRun(const std::string& faults = "", bool taskbar = true) : board(ParseSimFaults(faults)), window(taskbar) {
    JtagResetEngineForTesting();
    JtagSetCableDrivers(TraceDrivers(board.Drivers(), trace));
  }
  ~SimRun() { JtagSetCableDrivers(JtagDefaultCableDrivers()); }

  CommandOutcome Program(const std::filesystem::path& file = ExampleFile::Get().path) {
    return ProgramDevice(window, clock, file);
  }
  CommandOutcome Erase() { return EraseDevice(window, clock); }

  // The traced transfers: ('W' or 'R', bytes).
  std::vector<std::pair<char, Bytes>> Transfers() const {
    std::vector<std::pair<char, Bytes>> out;
    std::istringstream in(trace.str());
    std::string line;
    while (std::getline(in, line)) out.emplace_back(line[0], ParseHex(line.substr(2)));
    return out;
  }
  void ExpectNoViolations() const {
    EXPECT_TRUE(board.Violations().empty()) << board.Violations().front();
  }

  SimBoard board;
  RecordingWindow window;
  VirtualClock clock;
  std::ostringstream trace;
};

std::vector<int> Steps(int from, int to, int by) {
  std::vector<int> out;
  for (int v = from; v <= to; v += by) out.push_back(v);
  return out;
}

std::vector<int> Concat(std::initializer_list<std::vector<int>> parts) {
  std::vector<int> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

TEST(ProgramDevice, FullRunProgramsEveryFuseAndReportsSuccess) {
  SimRun run("erase-busy=6");
  run.window.startedFromCommandLine = true;
  ASSERT_EQ(run.Program(), CommandOutcome::Success) << run.window.status;
  const ExampleFile& file = ExampleFile::Get();

  EXPECT_TRUE(std::regex_match(run.window.status, std::regex(R"(Program success\. \(\d+\.\d{3}sec\))")))
      << run.window.status;
  // Flash holds the configuration bits; user code and SED CRC as in the file.
  const auto& flash = run.board.Target().Flash();
  EXPECT_EQ(CountBitDifferences(flash.data(), file.fuses.bytes.data(), 0, CONFIG_BITS), 0);
  EXPECT_EQ(run.board.Target().UserCode(), file.userCode);
  uint8_t sed[4];
  for (int i = 0; i < 4; ++i) sed[i] = static_cast<uint8_t>(run.board.Target().SedCrc() >> (8 * i));
  EXPECT_EQ(CountBitDifferences(sed, file.fuses.bytes.data(), SED_CRC_FIRST_FUSE, 32), 0);
  EXPECT_TRUE(run.board.Target().Done());
  EXPECT_FALSE(run.board.Target().ConfigMode());
  run.ExpectNoViolations();
  EXPECT_EQ(run.board.RepliesWaiting(), 0u);

  // Erase polls 0..5 answer busy: 5 + n/4 = 5, 5, 5, 5, 6, 6.
  const std::vector<int> bars = Concat({{0, 5, 5, 5, 5, 5, 6, 6, 10}, Steps(20, 58, 2), Steps(60, 98, 2), {100}});
  EXPECT_EQ(run.window.bars, bars);
  const std::vector<int> taskbar = Concat({{0, 5, 5, 5, 5, 5, 6, 6}, Steps(20, 58, 2), Steps(60, 98, 2), {100}});
  EXPECT_EQ(run.window.taskbarValues, taskbar);
  EXPECT_EQ(run.window.taskbarState, TaskbarState::Normal);
  EXPECT_EQ(run.window.closeCountdown, 4);
  EXPECT_FALSE(run.window.startedFromCommandLine) << "the flag is cleared";
  EXPECT_FALSE(run.window.waitCursor);
  EXPECT_FALSE(JtagCableIsOpen());
  EXPECT_EQ(run.clock.TotalSlept(), 6 * 50 + 200u) << "erase polls and the finish settle time";
}

// Bit-banged bytes that shift an 8-bit instruction, as the cable sees them.
Bytes InstructionBits(uint8_t opcode) {
  Bytes out;
  for (int i = 0; i < 8; ++i) {
    const uint8_t level = 0x28 | (i == 7 ? 0x02 : 0) | ((opcode >> i) & 1 ? 0x10 : 0);
    out.push_back(level);
    out.push_back(level | 0x01);
  }
  return out;
}

bool Contains(const Bytes& haystack, const Bytes& needle) {
  return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

TEST(ProgramDevice, VerifyKeepsTenRowReadsInFlight) {
  SimRun run;
  ASSERT_EQ(run.Program(), CommandOutcome::Success);
  const auto transfers = run.Transfers();
  std::vector<size_t> rowReads;  // index of each 85-byte read
  for (size_t i = 0; i < transfers.size(); ++i) {
    if (transfers[i].first == 'R' && transfers[i].second.size() == 85) rowReads.push_back(i);
  }
  ASSERT_EQ(rowReads.size(), ROW_COUNT);

  const Bytes& first = transfers[rowReads[0] - 1].second;
  ASSERT_EQ(transfers[rowReads[0] - 1].first, 'W');
  EXPECT_TRUE(Contains(first, InstructionBits(INIT_ADDRESS)));
  EXPECT_TRUE(Contains(first, InstructionBits(READ_ROW)));
  EXPECT_EQ(std::count(first.begin(), first.end(), 0xFE), 11) << "eleven 638-bit captures";

  for (size_t r = 1; r < ROW_COUNT; ++r) {
    const auto& [kind, bytes] = transfers[rowReads[r] - 1];
    ASSERT_EQ(kind, 'W');
    if (r + VERIFY_READ_AHEAD < ROW_COUNT) {
      EXPECT_EQ(std::count(bytes.begin(), bytes.end(), 0xFE), 1) << "row " << r;
    } else {
      EXPECT_TRUE(bytes.empty()) << "row " << r << " only receives";
    }
  }
}

struct VerifyFailure {
  const char* faults;
  int config, userCode, sedCrc;
};

TEST(ProgramDevice, VerificationFailuresReportEachArea) {
  const VerifyFailure cases[] = {
      {"flip=5:17", 1, 0, 0},
      {"usercode-flip=3", 0, 1, 0},
      {"sedcrc-flip=0", 0, 0, 1},
  };
  for (const VerifyFailure& c : cases) {
    SCOPED_TRACE(c.faults);
    SimRun run(c.faults);
    run.window.startedFromCommandLine = true;
    EXPECT_EQ(run.Program(), CommandOutcome::VerifyFailed);
    EXPECT_TRUE(std::regex_match(run.window.status, std::regex(R"(Verify error!! \(\d+\.\d{3}sec\))")));
    char report[256];
    std::snprintf(report, sizeof report,
                  "Verify Errors!!\nConfig data mismatch : %d / 1236444 bits\n   Usercode mismatch : %d / 32 bits\n"
                  "    SED_CRC mismatch : %d / 32 bits\n",
                  c.config, c.userCode, c.sedCrc);
    EXPECT_EQ(run.window.messages, std::vector<std::string>{report});
    EXPECT_NE(std::find(run.window.log.begin(), run.window.log.end(), std::string("owned message ") + report),
              run.window.log.end());
    EXPECT_EQ(run.window.bar, 100);
    EXPECT_EQ(run.window.taskbarValue, 100);
    EXPECT_EQ(run.window.taskbarState, TaskbarState::Error);
    EXPECT_EQ(run.window.closeCountdown, 0);
    EXPECT_TRUE(run.board.Target().Done()) << "a verify failure still finishes the device";
    EXPECT_FALSE(JtagCableIsOpen());
    run.ExpectNoViolations();
  }
}

TEST(ProgramDevice, RowReadyPollLimit) {
  {
    SimRun run("never-ready=row");
    EXPECT_EQ(run.Program(), CommandOutcome::Failed);
    EXPECT_EQ(run.window.status, "Write timeout!");
    EXPECT_EQ(run.board.Target().ReadyReads(), 1u + 52u) << "one erase poll, then 52 for row 0";
    EXPECT_EQ(run.window.bar, 10);
    EXPECT_EQ(run.window.taskbarValue, 20);
    EXPECT_EQ(run.window.taskbarState, TaskbarState::Error);
    EXPECT_FALSE(JtagCableIsOpen());
  }
  {
    SimRun run("row-busy=51");
    EXPECT_EQ(run.Program(), CommandOutcome::Success) << run.window.status;
    EXPECT_EQ(run.board.Target().ReadyReads(), 1u + 52u * ROW_COUNT);
    run.ExpectNoViolations();
  }
}

TEST(ProgramDevice, FileWithoutUserCodeWritesAllOnes) {
  SimRun run;
  EXPECT_EQ(run.Program(ExampleFile::Get().pathWithoutUserCode), CommandOutcome::Success) << run.window.status;
  EXPECT_EQ(run.board.Target().UserCode(), 0xFFFFFFFFu);
}

TEST(ProgramDevice, RefusesAShortFuseMapBeforeOpeningTheCable) {
  TempDir dir;
  for (const std::string& content : {std::string("\x02QF100*F0*\x03"), std::string("\x02QF1236475*F0*L0 1*\x03")}) {
    SimRun run;
    EXPECT_EQ(run.Program(dir.Write("short.jed", content)), CommandOutcome::Failed);
    EXPECT_EQ(run.window.status, "Fuse map too small.");
    EXPECT_EQ(run.window.taskbarValue, 20);
    EXPECT_EQ(run.window.bar, 0);
    EXPECT_EQ(run.board.Count().opens, 0u);
  }
}

TEST(ProgramDevice, CableFaultsAtEachPhaseEndTheCommand) {
  // A clean run's transfer counts place the faults in each phase.
  SimRun clean;
  ASSERT_EQ(clean.Program(), CommandOutcome::Success);
  const uint64_t writes = clean.board.Count().writes;
  const uint64_t reads = clean.board.Count().reads;
  struct Fault {
    std::string faults;
    char kind;       // writes or reads ...
    uint64_t count;  // ... made in all: none follows the failure
  };
  auto at = [](const char* name, uint64_t n) { return std::string(name) + "=" + std::to_string(n); };
  const Fault faults[] = {
      // Unplugged after write N: that execute's read fails, or the next write.
      {at("unplug-after-writes", 1), 'W', 2},                       // identification
      {at("unplug-after-writes", 4), 'W', 4},                       // erase
      {at("unplug-after-writes", 500), 'W', 500},                   // rows
      {at("unplug-after-writes", writes - 1000), 'W', writes - 1000},  // verify
      {at("unplug-after-writes", writes - 2), 'W', writes - 1},     // finish
      {at("short-read-at", 1), 'R', 1},
      {at("short-read-at", 1000), 'R', 1000},
      {at("short-read-at", reads - 100), 'R', reads - 100},
      // A stray byte is found by the next receive-queue check: these executes make one.
      {at("extra-byte-at", 3), 'W', 3},
      {at("extra-byte-at", 1500), 'W', 1500},
      {at("extra-byte-at", writes), 'W', writes},
      {at("write-fail-at", 2), 'W', 2},
      {at("write-fail-at", writes), 'W', writes},
  };
  for (const Fault& fault : faults) {
    SCOPED_TRACE(fault.faults);
    SimRun run(fault.faults);
    EXPECT_EQ(run.Program(), CommandOutcome::Failed);
    EXPECT_EQ(run.window.status, "JTAG cable error.");
    EXPECT_EQ(run.window.taskbarState, TaskbarState::Error);
    EXPECT_FALSE(JtagCableIsOpen());
    // Nothing goes out after the failing transfer.
    const auto transfers = run.Transfers();
    EXPECT_EQ(fault.kind == 'W' ? run.board.Count().writes : run.board.Count().reads, fault.count);
    size_t lastWrite = 0;
    for (size_t i = 0; i < transfers.size(); ++i) {
      if (transfers[i].first == 'W') lastWrite = i;
    }
    EXPECT_GE(lastWrite + 2, transfers.size()) << "at most the failing write's read follows it";
  }
}

TEST(ProgramDevice, OnlyTheFirstRunFromTheCommandLineArmsTheCountdown) {
  SimRun run;
  run.window.startedFromCommandLine = true;
  ASSERT_EQ(run.Program(), CommandOutcome::Success);
  EXPECT_EQ(run.window.closeCountdown, 4);
  run.window.closeCountdown = 2;  // the countdown is running
  ASSERT_EQ(run.Program(), CommandOutcome::Success);
  EXPECT_EQ(run.window.closeCountdown, 2) << "a second run neither re-arms nor stops it";

  SimRun failing("no-cable");
  failing.window.startedFromCommandLine = true;
  EXPECT_EQ(failing.Program(), CommandOutcome::Failed);
  EXPECT_EQ(failing.window.closeCountdown, 0);
  EXPECT_FALSE(failing.window.startedFromCommandLine);
  EXPECT_EQ(failing.window.status, "Could not open JTAG cable.");
  EXPECT_EQ(failing.window.bar, 5);
}

TEST(EraseDevice, ProgressAndOutcomes) {
  {
    SimRun run;
    EXPECT_EQ(run.Erase(), CommandOutcome::Success);
    EXPECT_EQ(run.window.bars, (std::vector<int>{0, 0, 5, 10, 100}));
    EXPECT_EQ(run.window.taskbarValues, (std::vector<int>{0, 5, 100}));
    EXPECT_TRUE(std::regex_match(run.window.status, std::regex(R"(Erace success\. \(\d+\.\d{3}sec\))")));
    EXPECT_FALSE(run.board.Target().ConfigMode());
    EXPECT_EQ(run.board.Target().StatusReads(), 1u) << "no status read after the erase";
    run.ExpectNoViolations();
  }
  {
    SimRun run("erase-busy=3");
    EXPECT_EQ(run.Erase(), CommandOutcome::Success);
    EXPECT_EQ(RecordingWindow::Distinct(run.window.bars), (std::vector<int>{0, 5, 10, 20, 21, 22, 100}));
    // A repaint follows each busy answer's progress.
    const std::vector<std::string>& log = run.window.log;
    for (const char* step : {"taskbar 20", "taskbar 21", "taskbar 22"}) {
      const auto at = std::find(log.begin(), log.end(), step);
      ASSERT_NE(at, log.end()) << step;
      EXPECT_EQ(*(at + 1), "repaint") << step;
    }
  }
  {
    SimRun run("never-ready=erase");
    EXPECT_EQ(run.Erase(), CommandOutcome::Failed);
    EXPECT_EQ(run.window.status, "Erace time out!!");
    EXPECT_EQ(run.window.bar, 80);
    EXPECT_EQ(run.window.taskbarValue, 20);
    EXPECT_EQ(run.window.taskbarState, TaskbarState::Error);
    EXPECT_EQ(run.board.Target().ReadyReads(), 402u);
  }
  {
    SimRun run("no-cable");
    run.window.closeCountdown = 3;
    EXPECT_EQ(run.Erase(), CommandOutcome::Failed);
    EXPECT_EQ(run.window.status, "Could not open JTAG cable.");
    EXPECT_EQ(run.window.bar, 0);
    EXPECT_EQ(run.window.closeCountdown, 3);
  }
}

}  // namespace
