#include "device/device_commands.h"
#include "device/device_operation.h"
#include "device/target_device.h"

using namespace target;

CommandOutcome EraseDevice(WindowOperations& window, Clock& clock) {
  window.SetProgressBar(0);
  WaitCursor cursor(window);
  DeviceOperation op(window, clock);
  op.StartClock();
  SetProgress(window, 0);
  if (!op.OpenCable()) return CommandOutcome::Failed;
  SetProgress(window, 5);

  CommandOutcome outcome = CommandOutcome::Failed;
  op.RunOnOpenCable([&] {
    op.CheckIdcode();
    op.EnterConfigMode();
    window.SetProgressBar(10);  // the taskbar stays at 5
    op.EraseAndWait(EraseOnlyProgress, true);
    op.RunInstruction(CONFIG_DISABLE, IDLE_SETTLE);
    op.RunInstruction(BYPASS, IDLE_SETTLE);
    op.Execute(0, true);
    SetProgress(window, 100);
    window.SetStatusText(op.ElapsedText("Erace success. (%.3fsec)"));
    outcome = CommandOutcome::Success;
  });
  return outcome;
}
