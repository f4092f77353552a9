#include <algorithm>
#include <cstdio>

#include "cli/cli_commands.h"
#include "cli/console_window.h"
#include "device/target_device.h"
#include "fuse/jedec_loader.h"

int RunInfo(const std::filesystem::path& file) {
  SystemClock clock;
  ConsoleWindow window(clock, /*quiet=*/true);
  const std::optional<JedecImage> image = LoadJedecFile(window, file);
  if (!image) {
    window.Finish();
    return kExitFailure;
  }
  std::printf("File:            %s\n", file.c_str());
  std::printf("Fuse count (QF): %d\n", image->fuseCount);
  std::printf("Default (F):     %d\n", image->defaultFuse);
  if (image->fuseMap) {
    std::printf("Fuse map:        yes, %llu fuses\n",
                static_cast<unsigned long long>(image->fuseMap->Capacity()));
  } else {
    std::printf("Fuse map:        none (no \"L\" field)\n");
  }
  std::printf("User code:       0x%08X%s\n", image->userCode,
              image->userCode == 0xFFFFFFFF ? " (none given, or all ones)" : "");
  const bool covers = image->fuseMap && image->fuseMap->Capacity() >= target::MIN_FUSE_COUNT;
  std::printf("Covers target:   %s (needs %u fuses)\n", covers ? "yes" : "no", target::MIN_FUSE_COUNT);

  if (!image->fuseMap) return kExitSuccess;
  const uint16_t computed = FuseChecksum(*image->fuseMap, static_cast<uint64_t>(std::max(image->fuseCount, 0)));
  if (!image->fileFuseChecksum) {
    std::printf("Fuse checksum:   file none, computed 0x%04X\n", computed);
    return kExitSuccess;
  }
  std::printf("Fuse checksum:   file 0x%04X, computed 0x%04X\n", *image->fileFuseChecksum, computed);
  if (*image->fileFuseChecksum != computed) {
    std::printf("WARNING: the fuse checksum in the file does not match its fuses; the file is damaged.\n");
    return kExitFailure;
  }
  return kExitSuccess;
}
