#pragma once

#include <memory>
#include <string>
#include <vector>

#include "jtag/cable_transport.h"

// A USB-Blaster reached through FTDI's D2XX library, loaded with dlopen at the
// first open and kept loaded. Returns none when no cable opens; shows
// "Could not load FTD2XX.DLL" when the library or one of its calls is missing.
std::unique_ptr<CableTransport> OpenFtdiCable();

// Tests load their own D2XX stand-ins; this forgets the loaded library and
// names the ones to try next. An empty list restores the default names.
void FtdiUseLibrariesForTesting(std::vector<std::string> names);
