#pragma once

#include <cstdint>
#include <memory>

// The queued USB-Blaster command bytes. One instance lives in the engine for
// the program's whole life; it starts at 128 bytes, grows by 128 and never
// shrinks, so queuing allocates nothing once the largest batch has been seen.
struct CommandBuffer {
  uint32_t count = 0;
  uint32_t capacity = 0;
  std::unique_ptr<uint8_t[]> data;
};

// The TAP state that holds once every queued byte has run.
enum TapState : int {
  TAP_NONE = 0,
  TAP_IDLE = 1,
  TAP_PAUSE_IR = 2,
  TAP_PAUSE_DR = 3,
};

inline constexpr uint32_t COMMAND_BUFFER_STEP = 128;

CommandBuffer& JtagCommandBuffer();
TapState JtagTapState();
void JtagSetTapState(TapState state);
void JtagClearCommandBuffer();

void JtagAppendByte(uint8_t value);
void JtagQueueShift(const uint8_t* source, uint32_t firstBit, uint32_t bitCount, bool capture);

// These throw CommandFailure("jtag : state error!\n") before the first open.
void JtagShiftIR(const uint8_t* instruction);
void JtagShiftDR(const uint8_t* source, uint32_t firstBit, uint32_t bitCount, bool capture);
void JtagIdle(uint32_t clocks);

// Reply bytes a capturing shift of bitCount bits produces: whole bytes for the
// byte-shift part plus one byte per bit-banged bit.
constexpr uint32_t JtagReplyLength(uint32_t bitCount) {
  return bitCount - 7 * ((bitCount - 1) / 8);
}

// Back to the program-start state (empty 128-byte buffer, TAP_NONE). Tests only.
void JtagResetEngineForTesting();
