#include <gtest/gtest.h>

#include "jtag/command_failure.h"
#include "jtag/command_stream.h"
#include "support/bytes.h"

namespace {

enum class Op { ShiftIR, ShiftDR, Idle };

struct StreamCase {
  const char* name;
  TapState from;
  Op op;
  Bytes source;
  uint32_t firstBit;
  uint32_t bitCount;  // clocks for Idle
  bool capture;
  Bytes expected;
  TapState after;
};

void PrintTo(const StreamCase& c, std::ostream* os) { *os << c.name; }

Bytes Header(uint8_t header, size_t dataBytes, uint8_t fill) {
  Bytes out{header};
  out.insert(out.end(), dataBytes, fill);
  return out;
}

const Bytes kToShiftDR = ParseHex("2A 2B 28 29 28 29");

std::vector<StreamCase> Cases() {
  return {
      {"ShiftDR_A5_NoCapture", TAP_IDLE, Op::ShiftDR, {0xA5}, 0, 8, false,
       ParseHex("2A 2B 28 29 28 29 38 39 28 29 38 39 28 29 28 29 38 39 28 29 3A 3B 28 29"), TAP_PAUSE_DR},
      {"ShiftDR_A5_Capture", TAP_IDLE, Op::ShiftDR, {0xA5}, 0, 8, true,
       ParseHex("2A 2B 28 29 28 29 78 39 68 29 78 39 68 29 68 29 78 39 68 29 7A 3B 28 29"), TAP_PAUSE_DR},
      {"ShiftDR_9Bits_Capture", TAP_IDLE, Op::ShiftDR, {0xFF, 0xFF}, 0, 9, true,
       ParseHex("2A 2B 28 29 28 29 C1 FF 7A 3B 28 29"), TAP_PAUSE_DR},
      {"ShiftDR_497Bits_OneFullChunk", TAP_IDLE, Op::ShiftDR, Bytes(63, 0x00), 0, 497, false,
       kToShiftDR + Header(0xBE, 62, 0x00) + ParseHex("2A 2B 28 29"), TAP_PAUSE_DR},
      {"ShiftDR_505Bits_TwoChunks", TAP_IDLE, Op::ShiftDR, Bytes(64, 0x00), 0, 505, false,
       kToShiftDR + Header(0xBE, 62, 0x00) + Header(0x81, 1, 0x00) + ParseHex("2A 2B 28 29"), TAP_PAUSE_DR},
      {"ShiftDR_638Bits_Capture", TAP_IDLE, Op::ShiftDR, Bytes(80, 0x00), 0, 638, true,
       kToShiftDR + Header(0xFE, 62, 0x00) + Header(0xD1, 17, 0x00) + Repeat("68 29", 5) +
           ParseHex("6A 2B 28 29"),
       TAP_PAUSE_DR},
      {"ShiftDR_Offset4_8Bits", TAP_IDLE, Op::ShiftDR, {0xF0, 0x0F}, 4, 8, false,
       kToShiftDR + Repeat("38 39", 7) + ParseHex("3A 3B 28 29"), TAP_PAUSE_DR},
      {"ShiftDR_Offset4_16Bits", TAP_IDLE, Op::ShiftDR, {0xF0, 0x0F, 0x00}, 4, 16, false,
       kToShiftDR + ParseHex("81 FF") + Repeat("28 29", 7) + ParseHex("2A 2B 28 29"), TAP_PAUSE_DR},
      {"ShiftDR_FromPauseIR", TAP_PAUSE_IR, Op::ShiftDR, {0x01}, 0, 1, true,
       ParseHex("2A 2B 2A 2B") + kToShiftDR + ParseHex("7A 3B 28 29"), TAP_PAUSE_DR},
      {"ShiftIR_16_FromPauseDR", TAP_PAUSE_DR, Op::ShiftIR, {0x16}, 0, 8, false,
       Repeat("2A 2B", 4) + ParseHex("28 29 28 29") +
           ParseHex("28 29 38 39 38 39 28 29 38 39 28 29 28 29 2A 2B") + ParseHex("28 29"),
       TAP_PAUSE_IR},
      {"ShiftIR_FromIdle", TAP_IDLE, Op::ShiftIR, {0x03}, 0, 8, false,
       ParseHex("2A 2B 2A 2B 28 29 28 29") + ParseHex("38 39 38 39") + Repeat("28 29", 5) +
           ParseHex("2A 2B 28 29"),
       TAP_PAUSE_IR},
      {"Idle3200_FromPauseIR", TAP_PAUSE_IR, Op::Idle, {}, 0, 3200, false,
       ParseHex("2A 2B 2A 2B 28 29") + Header(0xBE, 62, 0xFF) + Header(0xBE, 62, 0xFF) +
           Header(0xBE, 62, 0xFF) + Header(0xBE, 62, 0xFF) + Header(0xBE, 62, 0xFF) +
           Header(0xBE, 62, 0xFF) + Header(0x9C, 28, 0xFF),
       TAP_IDLE},
      {"Idle8_FromPauseDR", TAP_PAUSE_DR, Op::Idle, {}, 0, 8, false, ParseHex("2A 2B 2A 2B 28 29 81 FF"),
       TAP_IDLE},
      {"Idle5_FromIdle", TAP_IDLE, Op::Idle, {}, 0, 5, false, Repeat("38 39", 5), TAP_IDLE},
      {"Idle0_FromIdle", TAP_IDLE, Op::Idle, {}, 0, 0, false, {}, TAP_IDLE},
  };
}

class CommandStreamTest : public ::testing::TestWithParam<StreamCase> {
 protected:
  void SetUp() override { JtagResetEngineForTesting(); }
};

void Queue(const StreamCase& c) {
  switch (c.op) {
    case Op::ShiftIR:
      JtagShiftIR(c.source.data());
      break;
    case Op::ShiftDR:
      JtagShiftDR(c.source.data(), c.firstBit, c.bitCount, c.capture);
      break;
    case Op::Idle:
      JtagIdle(c.bitCount);
      break;
  }
}

TEST_P(CommandStreamTest, QueuesExactBytes) {
  const StreamCase& c = GetParam();
  JtagSetTapState(c.from);
  Queue(c);
  EXPECT_EQ(ToHex(QueuedBytes()), ToHex(c.expected));
  EXPECT_EQ(JtagTapState(), c.after);
}

TEST_P(CommandStreamTest, StateErrorBeforeFirstOpenLeavesEverythingAlone) {
  const StreamCase& c = GetParam();
  JtagAppendByte(0x55);
  try {
    Queue(c);
    FAIL() << "no state error";
  } catch (const CommandFailure& failure) {
    EXPECT_STREQ(failure.what(), "jtag : state error!\n");
  }
  EXPECT_EQ(QueuedBytes(), Bytes{0x55});
  EXPECT_EQ(JtagTapState(), TAP_NONE);
}

INSTANTIATE_TEST_SUITE_P(Sequences, CommandStreamTest, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CommandStreamReply, LengthFollowsTheByteShiftSplit) {
  const std::pair<uint32_t, uint32_t> cases[] = {{1, 1}, {8, 8}, {9, 2}, {16, 9}, {32, 11}, {638, 85}};
  for (auto [bits, bytes] : cases) EXPECT_EQ(JtagReplyLength(bits), bytes) << bits << " bits";
}

TEST(CommandBufferGrowth, HundredTwentyNinthByteGrowsBy128AndKeepsOrder) {
  JtagResetEngineForTesting();
  Bytes expected;
  for (int i = 0; i < 129; ++i) {
    JtagAppendByte(static_cast<uint8_t>(i));
    expected.push_back(static_cast<uint8_t>(i));
    EXPECT_EQ(JtagCommandBuffer().capacity, i < 128 ? 128u : 256u);
  }
  EXPECT_EQ(QueuedBytes(), expected);
  // Never shrinks.
  JtagClearCommandBuffer();
  EXPECT_EQ(JtagCommandBuffer().capacity, 256u);
}

}  // namespace
