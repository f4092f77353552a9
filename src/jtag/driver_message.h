#pragma once

#include <functional>
#include <string>

// Driver-level faults the user must act on ("Could not load FTD2XX.DLL",
// "Close failed!!\nPlease re-insert USB-Blaster."). The window shows them in an
// unowned message box, the command-line tool prints them.
using DriverMessageHandler = std::function<void(const std::string&)>;

void SetDriverMessageHandler(DriverMessageHandler handler);
void ShowDriverMessage(const std::string& text);
