#pragma once

#include <cstdint>

// USB-Blaster command bytes, as the cable decodes them.
//
// Bit-bang byte (bit 7 clear): bits 0-5 drive the outputs, bit 6 asks for one
// reply byte with TDO in bit 0.
//
//   bit  7      6     5    4    3    2    1    0
//        MODE=0 READ  LED  TDI  nCS  nCE  TMS  TCK
//
// Byte-shift header (bit 7 set): bits 0-5 hold k, the number of data bytes that
// follow; bit 6 asks for one reply byte per data byte. Each data byte is
// clocked out on TDI, LSB first, with eight TCK pulses; TMS stays where the
// last bit-bang byte left it.
//
//   bit  7       6     5..0
//        SHIFT=1 READ  k (1..62 here)
namespace usb_blaster {

inline constexpr uint8_t TCK = 0x01;
inline constexpr uint8_t TMS = 0x02;
inline constexpr uint8_t NCE = 0x04;
inline constexpr uint8_t NCS = 0x08;
inline constexpr uint8_t TDI = 0x10;
inline constexpr uint8_t LED = 0x20;
inline constexpr uint8_t READ = 0x40;
inline constexpr uint8_t SHIFT_MODE = 0x80;
inline constexpr uint8_t SHIFT_COUNT_MASK = 0x3F;

// nCS and LED are held high in every byte we send.
inline constexpr uint8_t BITBANG_IDLE = NCS | LED;                      // 0x28
inline constexpr uint8_t RESET_BYTE = TCK | TMS | NCE | NCS | LED;      // 0x2F

// 62, not the 63 the count field could hold.
inline constexpr uint32_t MAX_SHIFT_BYTES = 62;

inline constexpr uint32_t RESET_HOLD_BYTES = 64;
inline constexpr uint32_t RESET_TMS_CLOCKS = 5;
// 64 bytes 0x2F, five clocks with TMS 1 (Test-Logic-Reset), one with TMS 0 (Run-Test/Idle).
inline constexpr uint32_t RESET_PREAMBLE_BYTES = RESET_HOLD_BYTES + 2 * RESET_TMS_CLOCKS + 2;

}  // namespace usb_blaster
