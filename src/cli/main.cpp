// tollvane-cli: the device commands without the window, for scripts and for
// a dry run against the simulated board.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include "cli/cli_commands.h"
#include "jtag/cable_link.h"
#include "jtag/driver_message.h"
#include "jtag/trace_transport.h"
#include "sim_board.h"

int main(int argc, char** argv) {
  CLI::App app{"Programs, verifies and erases the FPGA with IDCODE 0x01299043 through a USB-Blaster."};
  app.require_subcommand(1);
  app.footer(std::string("\nExit status: 0 success, 1 file, cable or device failure, 2 usage error,\n"
                         "3 verification failure.\n\n") +
             SimFaultHelp());

  std::optional<std::string> simulate;
  std::string tracePath;
  app.add_option("--simulate", simulate,
                 "Use the simulated USB-Blaster and device instead of a real cable; the optional value is a "
                 "comma list of faults (below)")
      ->expected(0, 1)
      ->default_str("");
  app.add_option("--trace", tracePath, "Write every cable write (W) and read (R) as a hex line to FILE");

  std::string jedecPath;
  CLI::App* detect = app.add_subcommand("detect", "Open the cable, read and check the IDCODE, close");
  CLI::App* info = app.add_subcommand(
      "info", "Load a JEDEC file and describe it; exits 1 when its fuse checksum does not match");
  info->add_option("file", jedecPath, "JEDEC fuse file")->required();
  CLI::App* program = app.add_subcommand("program", "Erase, program and verify the device from a JEDEC file");
  program->add_option("file", jedecPath, "JEDEC fuse file")->required();
  CLI::App* erase = app.add_subcommand("erase", "Erase the device");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int status = app.exit(e);
    return status == 0 ? 0 : kExitUsage;
  }

  std::unique_ptr<SimBoard> board;
  CableDrivers drivers = JtagDefaultCableDrivers();
  if (simulate) {
    try {
      board = std::make_unique<SimBoard>(ParseSimFaults(*simulate));
    } catch (const std::invalid_argument& e) {
      std::fprintf(stderr, "tollvane-cli: %s\n", e.what());
      return kExitUsage;
    }
    drivers = board->Drivers();
  }
  std::ofstream trace;
  if (!tracePath.empty()) {
    trace.open(tracePath);
    if (!trace) {
      std::perror(("tollvane-cli: " + tracePath).c_str());
      return kExitFailure;
    }
    drivers = TraceDrivers(drivers, trace);
  }
  JtagSetCableDrivers(drivers);
  SetDriverMessageHandler([](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); });

  if (detect->parsed()) return RunDetect();
  if (info->parsed()) return RunInfo(jedecPath);
  if (program->parsed()) return RunProgram(jedecPath);
  if (erase->parsed()) return RunErase();
  return kExitUsage;
}
