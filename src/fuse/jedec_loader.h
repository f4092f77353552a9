#pragma once

#include <filesystem>
#include <optional>

#include "device/window_operations.h"
#include "fuse/jedec_image.h"

inline constexpr uint64_t MAX_JEDEC_FILE_BYTES = 0x1000000;  // 16 MiB

// Whether the file opens for reading as a loader would open it: it exists
// and is a regular file. The window tests names with it before taking them.
bool TestOpenFile(const std::filesystem::path& path);

// Loads and parses the fuse file, reporting through the window: the loading
// text first, and on failure its status text and progress call. Returns
// nothing on failure.
std::optional<JedecImage> LoadJedecFile(WindowOperations& window, const std::filesystem::path& path);
