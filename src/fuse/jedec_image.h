#pragma once

#include <cstdint>
#include <optional>
#include <vector>

// One bit per fuse: fuse i is bit (i mod 8) of byte i / 8; 1 is fuse value "1".
struct FuseMap {
  std::vector<uint8_t> bytes;

  uint64_t Capacity() const { return bytes.size() * 8ull; }
  bool Get(uint64_t fuse) const { return (bytes[fuse / 8] >> (fuse % 8)) & 1; }
  void Set(uint64_t fuse, bool value) {
    const uint8_t mask = static_cast<uint8_t>(1u << (fuse % 8));
    if (value) {
      bytes[fuse / 8] |= mask;
    } else {
      bytes[fuse / 8] &= static_cast<uint8_t>(~mask);
    }
  }
};

// What a JEDEC file gives the programmer.
struct JedecImage {
  std::optional<FuseMap> fuseMap;  // absent when the file has no "L" field
  int32_t fuseCount = 0;           // QF; 0 when not given
  int32_t defaultFuse = -1;        // F; -1 when not given
  uint32_t userCode = 0xFFFFFFFF;
  // The "C" field's value, for reports only: loading never checks it.
  std::optional<uint16_t> fileFuseChecksum;
};

// JEDEC fuse checksum: the 16-bit sum of the map's bytes over fuses
// 0..fuseCount-1, fuses past the count taken as 0.
uint16_t FuseChecksum(const FuseMap& map, uint64_t fuseCount);
