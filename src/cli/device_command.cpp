#include "cli/cli_commands.h"
#include "cli/console_window.h"
#include "device/device_commands.h"

namespace {

int ExitStatus(CommandOutcome outcome) {
  switch (outcome) {
    case CommandOutcome::Success:
      return kExitSuccess;
    case CommandOutcome::VerifyFailed:
      return kExitVerifyFailed;
    case CommandOutcome::Failed:
      break;
  }
  return kExitFailure;
}

}  // namespace

int RunProgram(const std::filesystem::path& file) {
  SystemClock clock;
  ConsoleWindow window(clock);
  const CommandOutcome outcome = ProgramDevice(window, clock, file);
  window.Finish();
  return ExitStatus(outcome);
}

int RunErase() {
  SystemClock clock;
  ConsoleWindow window(clock);
  const CommandOutcome outcome = EraseDevice(window, clock);
  window.Finish();
  return ExitStatus(outcome);
}
