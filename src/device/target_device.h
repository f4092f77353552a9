#pragma once

#include <cstdint>

// The target FPGA: its IDCODE, configuration geometry, instructions and the
// idle clocks and poll limits that go with them.
namespace target {

inline constexpr uint32_t DEVICE_IDCODE = 0x01299043;

inline constexpr uint32_t INSTRUCTION_BITS = 8;
inline constexpr uint32_t PRELOAD_BITS = 394;
inline constexpr uint32_t ROW_BITS = 638;
inline constexpr uint32_t ROW_COUNT = 1938;
inline constexpr uint32_t CONFIG_BITS = ROW_BITS * ROW_COUNT;  // 1,236,444
inline constexpr uint32_t USERCODE_BITS = 32;
inline constexpr uint32_t SED_CRC_BITS = 32;
inline constexpr uint32_t SED_CRC_FIRST_FUSE = CONFIG_BITS;
inline constexpr uint32_t MIN_FUSE_COUNT = CONFIG_BITS + SED_CRC_BITS;  // 1,236,476

// Instruction opcodes.
inline constexpr uint8_t IDCODE = 0x16;
inline constexpr uint8_t SAMPLE_PRELOAD = 0x1C;
inline constexpr uint8_t CONFIG_ENABLE = 0x15;
inline constexpr uint8_t READ_STATUS = 0xB2;
inline constexpr uint8_t CONFIG_ERASE = 0x03;
inline constexpr uint8_t READ_READY = 0x52;
inline constexpr uint8_t CONFIG_DISABLE = 0x1E;
inline constexpr uint8_t BYPASS = 0xFF;
inline constexpr uint8_t INIT_ADDRESS = 0x21;
inline constexpr uint8_t WRITE_ROW = 0x67;
inline constexpr uint8_t READ_ROW = 0x6A;
inline constexpr uint8_t WRITE_USERCODE = 0x1A;
inline constexpr uint8_t READ_USERCODE = 0x17;
inline constexpr uint8_t WRITE_SED_CRC = 0x45;
inline constexpr uint8_t READ_SED_CRC = 0x44;
inline constexpr uint8_t PROGRAM_DONE = 0x2F;

// Idle clocks in Run-Test/Idle.
inline constexpr uint32_t IDLE_SHORT = 8;
inline constexpr uint32_t IDLE_POLL = 800;
inline constexpr uint32_t IDLE_SETTLE = 3200;
inline constexpr uint32_t IDLE_USERCODE = 32000;

// Status-byte masks: a set bit fails the test made at that point.
inline constexpr uint8_t STATUS_MASK_CONFIG = 0x54;
inline constexpr uint8_t STATUS_MASK_ERASE = 0x03;
inline constexpr uint8_t STATUS_MASK_USERCODE = 0x01;
inline constexpr uint8_t STATUS_MASK_WRITE = 0x80;
inline constexpr uint8_t STATUS_MASK_SED_CRC = 0x01;

// Polling.
inline constexpr uint32_t ERASE_POLL_LIMIT = 400;  // time-out after the busy answer with n > 400
inline constexpr uint32_t ERASE_POLL_SLEEP_MS = 50;
inline constexpr uint32_t ROW_POLL_LIMIT = 50;     // "Write timeout!" after the busy answer with k > 50
inline constexpr uint32_t PROGRAM_DONE_SETTLE_MS = 200;
inline constexpr uint32_t VERIFY_READ_AHEAD = 10;

}  // namespace target
