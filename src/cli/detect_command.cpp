#include <cstdio>

#include "cli/cli_commands.h"
#include "cli/console_window.h"
#include "device/device_operation.h"
#include "device/target_device.h"
#include "jtag/cable_link.h"
#include "jtag/command_failure.h"

int RunDetect() {
  SystemClock clock;
  ConsoleWindow window(clock, /*quiet=*/true);
  DeviceOperation op(window, clock);
  if (!op.OpenCable()) {
    window.Finish();
    return kExitFailure;
  }
  uint32_t idcode = 0;
  op.RunOnOpenCable([&] { idcode = op.ReadIdcode(); });
  if (!window.Status().empty()) {  // a cable failure put its message there
    window.Finish();
    return kExitFailure;
  }
  if (idcode != target::DEVICE_IDCODE) {
    std::printf("IDCODE error.\n");
    std::fprintf(stderr, "read 0x%08X, expected 0x%08X\n", idcode, target::DEVICE_IDCODE);
    return kExitFailure;
  }
  std::printf("IDCODE 0x%08X OK\n", idcode);
  return kExitSuccess;
}
