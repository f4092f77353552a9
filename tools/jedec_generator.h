#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "fuse/jedec_image.h"

// Example fuse files for the target device, as a vendor tool would write
// them: STX, notes, QF, F0, "L" fields of FUSES_PER_LINE fuses, the "C" fuse
// checksum, the "UH" user code, ETX and the transmission checksum.
struct JedecExample {
  uint32_t fuseCount = 1236476;
  std::string pattern = "random";  // random, zeros, ones, checker
  uint32_t seed = 1;
  std::optional<uint32_t> userCode = 0x54564E45;
  // Flip this fuse after the checksum is computed, to make a damaged file.
  std::optional<uint32_t> corruptFuse;
};

inline constexpr uint32_t FUSES_PER_LINE = 128;

FuseMap MakeExampleFuses(const JedecExample& example);
// Writes the file for `fuses` (the example's count of them).
void WriteJedec(std::ostream& out, const JedecExample& example, const FuseMap& fuses);
// The whole file for the example's own fuses.
std::string ExampleJedecText(const JedecExample& example = {});
