// Cost of a full program-and-verify and of an erase against the simulated
// board: bytes and round trips on the cable, host CPU time, and the wall time
// those transfers would take on a cable with a fixed cost per round trip and
// a byte rate. Also checks the bytes written against the minimum the
// sequence needs.
#include <CLI/CLI.hpp>
#include <sys/resource.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "device/device_commands.h"
#include "device/target_device.h"
#include "jedec_generator.h"
#include "silent_window.h"
#include "jtag/cable_link.h"
#include "sim_board.h"

using namespace target;

namespace {


double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Bytes the command stream needs, counted from the USB-Blaster encoding
// rather than taken from the engine: a TAP move is two bytes a clock, a shift
// of n bits is its whole bytes with one header per 62, plus two bytes per
// bit-banged bit and the clock into Pause.
struct StreamModel {
  bool paused = true;  // after a shift: Pause-IR or Pause-DR
  uint64_t bytes = 0;

  static uint64_t Shift(uint64_t bits) {
    const uint64_t whole = (bits - 1) / 8;
    return whole + (whole + 61) / 62 + 2 * (bits - 8 * whole) + 2;
  }
  void ShiftIR() {
    bytes += 2 * (paused ? 6 : 4) + Shift(8);
    paused = true;
  }
  void ShiftDR(uint64_t bits) {
    bytes += 2 * (paused ? 5 : 3) + Shift(bits);
    paused = true;
  }
  void Idle(uint64_t clocks) {
    const uint64_t whole = clocks / 8;
    bytes += (paused ? 6 : 0) + whole + (whole + 61) / 62 + 2 * (clocks % 8);
    paused = false;
  }
  void Run(uint64_t clocks) {
    ShiftIR();
    Idle(clocks);
  }
  void Status() {
    Run(IDLE_SETTLE);
    ShiftDR(8);
  }
  void Ready(uint64_t clocks) {
    Idle(clocks);
    ShiftIR();
    ShiftDR(1);
  }
  void Identify() {
    bytes += 76;  // reset preamble
    paused = false;
    ShiftIR();
    ShiftDR(32);
    ShiftIR();
    ShiftDR(PRELOAD_BITS);
    Run(IDLE_SETTLE);
    Status();
    ShiftIR();  // CONFIG_ERASE, sent with the first poll
  }
};

uint64_t MinimumProgramBytes(uint32_t erasePolls, uint32_t rowPolls) {
  StreamModel m;
  m.Identify();
  for (uint32_t i = 0; i < erasePolls; ++i) m.Ready(IDLE_POLL);
  m.Run(IDLE_SETTLE);
  m.Run(IDLE_SETTLE);
  m.Status();
  m.Run(IDLE_SHORT);
  for (uint32_t r = 0; r < ROW_COUNT; ++r) {
    m.ShiftIR();
    m.ShiftDR(ROW_BITS);
    m.Idle(IDLE_POLL);
    for (uint32_t k = 0; k < rowPolls; ++k) m.Ready(IDLE_SHORT);
  }
  m.ShiftIR();
  m.ShiftDR(32);
  m.Idle(IDLE_USERCODE);
  m.Status();
  m.Status();
  m.Run(IDLE_SETTLE);
  m.ShiftIR();
  for (uint32_t r = 0; r < ROW_COUNT; ++r) {
    m.Idle(IDLE_SHORT);
    m.ShiftDR(ROW_BITS);
  }
  m.Run(IDLE_SETTLE);
  m.ShiftDR(32);
  m.ShiftIR();
  m.ShiftDR(32);
  m.Idle(IDLE_SETTLE);
  m.ShiftIR();
  m.Idle(IDLE_SHORT);
  m.ShiftDR(32);
  m.Status();
  m.Run(IDLE_SETTLE);
  m.Status();
  m.Run(IDLE_SETTLE);
  m.Run(IDLE_SETTLE);
  return m.bytes;
}

uint64_t MinimumEraseBytes(uint32_t erasePolls) {
  StreamModel m;
  m.Identify();
  for (uint32_t i = 0; i < erasePolls; ++i) m.Ready(IDLE_POLL);
  m.Run(IDLE_SETTLE);
  m.Run(IDLE_SETTLE);
  return m.bytes;
}

struct Options {
  double latencyMs = 1.0;
  double bytesPerSecond = 1e6;
  uint32_t eraseBusy = 0;
  uint32_t rowBusy = 0;
};

bool Report(const char* name, const SimBoard& board, double cpu, uint64_t sleptMs, uint64_t minimum,
            const Options& options) {
  const auto& c = board.Count();
  const double transferSeconds =
      board.Executes() * options.latencyMs / 1000.0 + (c.bytesWritten + c.bytesRead) / options.bytesPerSecond;
  std::printf("%s\n", name);
  std::printf("  bytes written          %llu\n", static_cast<unsigned long long>(c.bytesWritten));
  std::printf("  bytes read             %llu\n", static_cast<unsigned long long>(c.bytesRead));
  std::printf("  writes / reads         %llu / %llu\n", static_cast<unsigned long long>(c.writes),
              static_cast<unsigned long long>(c.reads));
  std::printf("  round trips (executes) %llu\n", static_cast<unsigned long long>(board.Executes()));
  std::printf("  host CPU time          %.3f s (simulated board included)\n", cpu);
  std::printf("  modelled cable time    %.3f s at %.3f ms per round trip and %.0f bytes/s\n", transferSeconds,
              options.latencyMs, options.bytesPerSecond);
  std::printf("  device sleeps          %.3f s\n", sleptMs / 1000.0);
  std::printf("  modelled wall time     %.3f s\n", transferSeconds + sleptMs / 1000.0);
  std::printf("  minimum bytes written  %llu (%s)\n", static_cast<unsigned long long>(minimum),
              minimum == c.bytesWritten ? "equal" : "DIFFERENT");
  if (!board.Violations().empty()) std::printf("  protocol violation: %s\n", board.Violations().front().c_str());
  return minimum == c.bytesWritten && board.Violations().empty();
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Program-and-verify and erase against the simulated board."};
  Options options;
  app.add_option("--latency-ms", options.latencyMs, "Cable cost per round trip")->capture_default_str();
  app.add_option("--bytes-per-second", options.bytesPerSecond, "Cable byte rate")->capture_default_str();
  app.add_option("--erase-busy", options.eraseBusy, "Busy answers of the erase")->capture_default_str();
  app.add_option("--row-busy", options.rowBusy, "Busy answers after each row write")->capture_default_str();
  CLI11_PARSE(app, argc, argv);

  const auto path = std::filesystem::temp_directory_path() / "tollvane-program-bench.jed";
  std::ofstream(path, std::ios::binary) << ExampleJedecText();
  const std::string faults =
      "erase-busy=" + std::to_string(options.eraseBusy) + ",row-busy=" + std::to_string(options.rowBusy);

  bool ok = true;
  {
    SimBoard board(ParseSimFaults(faults));
    JtagSetCableDrivers(board.Drivers());
    SilentWindow window;
    VirtualClock clock;
    const double start = CpuSeconds();
    const CommandOutcome outcome = ProgramDevice(window, clock, path);
    const double cpu = CpuSeconds() - start;
    std::printf("program-and-verify: %s\n", window.status.c_str());
    ok &= outcome == CommandOutcome::Success;
    ok &= Report("program-and-verify", board, cpu, clock.TotalSlept(),
                 MinimumProgramBytes(options.eraseBusy + 1, options.rowBusy + 1), options);
  }
  {
    SimBoard board(ParseSimFaults(faults));
    JtagSetCableDrivers(board.Drivers());
    SilentWindow window;
    VirtualClock clock;
    const double start = CpuSeconds();
    const CommandOutcome outcome = EraseDevice(window, clock);
    const double cpu = CpuSeconds() - start;
    std::printf("erase: %s\n", window.status.c_str());
    ok &= outcome == CommandOutcome::Success;
    ok &= Report("erase", board, cpu, clock.TotalSlept(), MinimumEraseBytes(options.eraseBusy + 1), options);
  }
  std::filesystem::remove(path);
  return ok ? 0 : 1;
}
