#pragma once

#include <filesystem>

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitVerifyFailed = 3;

// Each runs one command against the cable drivers the engine has been given
// and returns the exit status.
int RunDetect();
int RunInfo(const std::filesystem::path& file);
int RunProgram(const std::filesystem::path& file);
int RunErase();
