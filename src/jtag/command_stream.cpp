#include "jtag/command_stream.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "jtag/command_failure.h"
#include "jtag/usb_blaster_protocol.h"

namespace {

using namespace usb_blaster;

CommandBuffer MakeBuffer() {
  CommandBuffer buffer;
  buffer.capacity = COMMAND_BUFFER_STEP;
  buffer.data = std::make_unique<uint8_t[]>(COMMAND_BUFFER_STEP);
  return buffer;
}

CommandBuffer g_buffer = MakeBuffer();
TapState g_tapState = TAP_NONE;

enum class TapMove { ToShiftIR, ToShiftDR, ToIdle };

// TMS sequences that take the TAP from a settled state to where an operation
// starts. From Pause-xR the leading "11" passes Exit2 and Update.
struct TapPath {
  std::string_view fromIdle;
  std::string_view fromPause;
};
constexpr TapPath kTapPaths[] = {
    /* ToShiftIR */ {"1100", "111100"},
    /* ToShiftDR */ {"100", "11100"},
    /* ToIdle    */ {"", "110"},
};

void QueueClock(bool tms, bool tdi, bool read) {
  const uint8_t low = BITBANG_IDLE | (tms ? TMS : 0) | (tdi ? TDI : 0);
  JtagAppendByte(low | (read ? READ : 0));
  JtagAppendByte(low | TCK);
}

void QueueTapMove(TapMove move) {
  const TapPath& path = kTapPaths[static_cast<int>(move)];
  std::string_view tms;
  switch (g_tapState) {
    case TAP_IDLE:
      tms = path.fromIdle;
      break;
    case TAP_PAUSE_IR:
    case TAP_PAUSE_DR:
      tms = path.fromPause;
      break;
    default:
      throw CommandFailure("jtag : state error!\n");
  }
  for (char bit : tms) QueueClock(bit == '1', false, false);
}

bool BitAt(const uint8_t* bits, uint32_t index) {
  return (bits[index / 8] >> (index % 8)) & 1;
}

uint8_t ByteAt(const uint8_t* bits, uint32_t firstBit) {
  const uint32_t offset = firstBit % 8;
  const uint8_t* p = bits + firstBit / 8;
  if (offset == 0) return p[0];
  return static_cast<uint8_t>((p[0] >> offset) | (p[1] << (8 - offset)));
}

}  // namespace

CommandBuffer& JtagCommandBuffer() { return g_buffer; }
TapState JtagTapState() { return g_tapState; }
void JtagSetTapState(TapState state) { g_tapState = state; }
void JtagClearCommandBuffer() { g_buffer.count = 0; }

void JtagResetEngineForTesting() {
  g_buffer = MakeBuffer();
  g_tapState = TAP_NONE;
}

void JtagAppendByte(uint8_t value) {
  if (g_buffer.count == g_buffer.capacity) {
    const uint32_t grown = g_buffer.capacity + COMMAND_BUFFER_STEP;
    auto block = std::make_unique<uint8_t[]>(grown);  // throws before anything changes
    std::memcpy(block.get(), g_buffer.data.get(), g_buffer.count);
    g_buffer.data = std::move(block);
    g_buffer.capacity = grown;
  }
  g_buffer.data[g_buffer.count++] = value;
}

void JtagQueueShift(const uint8_t* source, uint32_t firstBit, uint32_t bitCount, bool capture) {
  const uint32_t wholeBytes = (bitCount - 1) / 8;
  const uint32_t tailBits = bitCount - 8 * wholeBytes;
  const uint8_t read = capture ? READ : 0;

  // Byte-shift mode for everything but the last 1..8 bits.
  for (uint32_t done = 0; done < wholeBytes;) {
    const uint32_t chunk = std::min(wholeBytes - done, MAX_SHIFT_BYTES);
    JtagAppendByte(static_cast<uint8_t>(SHIFT_MODE | read | chunk));
    for (uint32_t j = 0; j < chunk; ++j, ++done) JtagAppendByte(ByteAt(source, firstBit + 8 * done));
  }
  // The tail is bit-banged so that its last bit can carry TMS 1 into Exit1.
  const uint32_t tailStart = firstBit + 8 * wholeBytes;
  for (uint32_t i = 0; i < tailBits; ++i) {
    QueueClock(i == tailBits - 1, BitAt(source, tailStart + i), capture);
  }
  QueueClock(false, false, false);  // Exit1 -> Pause
}

void JtagShiftIR(const uint8_t* instruction) {
  QueueTapMove(TapMove::ToShiftIR);
  JtagQueueShift(instruction, 0, 8, false);
  g_tapState = TAP_PAUSE_IR;
}

void JtagShiftDR(const uint8_t* source, uint32_t firstBit, uint32_t bitCount, bool capture) {
  QueueTapMove(TapMove::ToShiftDR);
  JtagQueueShift(source, firstBit, bitCount, capture);
  g_tapState = TAP_PAUSE_DR;
}

void JtagIdle(uint32_t clocks) {
  QueueTapMove(TapMove::ToIdle);
  // TDI held high: whole bytes of 0xFF in byte-shift mode, never read.
  for (uint32_t remaining = clocks / 8; remaining > 0;) {
    const uint32_t chunk = std::min(remaining, MAX_SHIFT_BYTES);
    JtagAppendByte(static_cast<uint8_t>(SHIFT_MODE | chunk));
    for (uint32_t j = 0; j < chunk; ++j) JtagAppendByte(0xFF);
    remaining -= chunk;
  }
  for (uint32_t i = 0; i < clocks % 8; ++i) QueueClock(false, true, false);
  g_tapState = TAP_IDLE;
}
