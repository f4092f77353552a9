#pragma once

#include <cstdint>
#include <filesystem>

#include "device/window_operations.h"
#include "jtag/clock.h"

enum class CommandOutcome { Success, Failed, VerifyFailed };

// Program: load the file, erase, write rows, user code and SED CRC, read all
// back and compare, finish the device. Reports through the window only; the
// outcome is for callers such as the command-line tool.
CommandOutcome ProgramDevice(WindowOperations& window, Clock& clock, const std::filesystem::path& file);

// "Erace Only": identify, erase, leave configuration mode.
CommandOutcome EraseDevice(WindowOperations& window, Clock& clock);

// Positions k in 0..n-1 where bit k of a differs from bit start+k of b.
int CountBitDifferences(const uint8_t* a, const uint8_t* b, uint32_t start, uint32_t n);
