#include <gtest/gtest.h>

#include "jtag/cable_link.h"
#include "jtag/command_stream.h"
#include "support/bytes.h"
#include "support/scripted_transport.h"

namespace {

// The engine over a scripted transport in the FTDI slot (or the endpoint slot).
class CableLinkTest : public ::testing::Test {
 protected:
  void SetUp() override { JtagResetEngineForTesting(); }
  void TearDown() override {
    JtagClose();
    JtagSetCableDrivers(JtagDefaultCableDrivers());
  }

  void UseFtdi() {
    JtagSetCableDrivers({nullptr, [this] { return std::make_unique<ScriptedTransport>(cable); }});
  }
  void UseEndpoint() {
    cable.reportQueue = false;
    JtagSetCableDrivers({[this] { return std::make_unique<ScriptedTransport>(cable); }, nullptr});
  }

  ScriptedCable cable;
};

TEST_F(CableLinkTest, OpenWritesThePreambleInOneWriteThenPurges) {
  for (bool endpoint : {false, true}) {
    cable = {};
    endpoint ? UseEndpoint() : UseFtdi();
    JtagAppendByte(0x99);  // left over from a failed write: must not reach the cable
    ASSERT_TRUE(JtagOpen());
    ASSERT_EQ(cable.writes.size(), 1u);
    EXPECT_EQ(ToHex(cable.writes[0]), ToHex(ResetPreamble()));
    EXPECT_EQ(cable.purges, 1);
    EXPECT_EQ(JtagTapState(), TAP_IDLE);
    EXPECT_EQ(JtagCommandBuffer().count, 0u);
    JtagClose();
    EXPECT_EQ(cable.closes, 1);
    EXPECT_EQ(JtagTapState(), TAP_IDLE) << "close leaves the TAP state";
  }
}

TEST_F(CableLinkTest, FailedPreambleWriteClosesAndDoesNotFallBack) {
  ScriptedCable ftdi;
  cable.failWrites = true;
  JtagSetCableDrivers({[this] { return std::make_unique<ScriptedTransport>(cable); },
                       [&ftdi] { return std::make_unique<ScriptedTransport>(ftdi); }});
  EXPECT_FALSE(JtagOpen());
  EXPECT_EQ(cable.closes, 1);
  EXPECT_TRUE(ftdi.writes.empty()) << "the FTDI transport is not tried";
  EXPECT_FALSE(JtagCableIsOpen());
}

TEST_F(CableLinkTest, NoCableAnywhere) {
  JtagSetCableDrivers({[] { return nullptr; }, [] { return nullptr; }});
  EXPECT_FALSE(JtagOpen());
  EXPECT_FALSE(JtagCableIsOpen());
}

TEST_F(CableLinkTest, FoldReply) {
  struct Case {
    uint32_t bits;
    Bytes raw;
    Bytes folded;  // the meaningful bytes after folding
  };
  const Case cases[] = {
      {1, {0x01}, {0x01}},
      {8, {0x01, 0x00, 0x01, 0x01, 0x00, 0x00, 0x00, 0x01}, {0x8D}},
      {9, {0xA5, 0x01}, {0xA5, 0x01}},
      // IDCODE 0x01299043: three whole bytes, then bits 24..31 one per byte.
      {32, {0x43, 0x90, 0x29, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, {0x43, 0x90, 0x29, 0x01}},
  };
  for (const Case& c : cases) {
    Bytes buffer = c.raw;
    JtagFoldReply(buffer.data(), c.bits);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + c.folded.size()), c.folded) << c.bits << " bits";
  }
  // 638 bits: 79 whole bytes, then six single-bit bytes 1 0 1 1 0 1 -> 0b101101.
  Bytes raw(85, 0x5A);
  const uint8_t tail[] = {0xFF, 0x00, 0x01, 0x03, 0xFE, 0x01};
  std::copy(std::begin(tail), std::end(tail), raw.begin() + 79);
  JtagFoldReply(raw.data(), 638);
  EXPECT_EQ(Bytes(raw.begin(), raw.begin() + 79), Bytes(79, 0x5A));
  EXPECT_EQ(raw[79] & 0x3F, 0x2D);
}

TEST_F(CableLinkTest, IdcodeWordFromElevenByteReply) {
  UseFtdi();
  ASSERT_TRUE(JtagOpen());
  // 0x01299043: bytes 43 90 29, then bit 24 (1) and seven zeros.
  cable.replies = {0x43, 0x90, 0x29, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  uint8_t rx[11] = {};
  JtagAppendByte(0x28);
  ASSERT_TRUE(JtagExecute(rx, 32, true));
  const uint32_t word = rx[0] | rx[1] << 8 | rx[2] << 16 | static_cast<uint32_t>(rx[3]) << 24;
  EXPECT_EQ(word, 0x01299043u);
}

TEST_F(CableLinkTest, ExecuteFailures) {
  struct Case {
    const char* name;
    bool endpoint;
    void (*arrange)(ScriptedCable&);
    uint32_t bits;
    bool checkEmpty;
    bool expected;
    uint32_t queuedAfter;  // bytes left in the command buffer
  };
  const Case cases[] = {
      {"write fails", false, [](ScriptedCable& c) { c.failWrites = true; }, 0, true, false, 3},
      {"short write", false, [](ScriptedCable& c) { c.shortWriteBy = 1; }, 0, true, false, 3},
      {"read fails", false, [](ScriptedCable& c) { c.readFails = true; }, 8, true, false, 0},
      {"short read", false, [](ScriptedCable& c) { c.replies = {1, 1, 1}; }, 8, true, false, 0},
      {"extra byte, ftdi", false, [](ScriptedCable& c) { c.replies.assign(9, 1); }, 8, true, false, 0},
      {"extra byte, endpoint", true, [](ScriptedCable& c) { c.replies.assign(9, 1); }, 8, true, true, 0},
      {"extra byte unchecked", false, [](ScriptedCable& c) { c.replies.assign(9, 1); }, 8, false, true, 0},
      {"nothing to read", false, [](ScriptedCable&) {}, 0, true, true, 0},
      {"byte waiting, nothing read", false, [](ScriptedCable& c) { c.replies = {1}; }, 0, true, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    JtagResetEngineForTesting();
    cable = {};
    c.endpoint ? UseEndpoint() : UseFtdi();
    ASSERT_TRUE(JtagOpen());
    c.arrange(cable);
    JtagAppendByte(0x28);
    JtagAppendByte(0x29);
    JtagAppendByte(0x28);
    uint8_t rx[8] = {};
    EXPECT_EQ(JtagExecute(c.bits ? rx : nullptr, c.bits, c.checkEmpty), c.expected);
    EXPECT_EQ(JtagCommandBuffer().count, c.queuedAfter);
    EXPECT_EQ(cable.reads, c.bits ? 1 : 0);
    JtagClose();
  }
}

TEST_F(CableLinkTest, ExecuteSendsEverythingQueuedInOneWrite) {
  UseFtdi();
  ASSERT_TRUE(JtagOpen());
  const uint8_t instruction = 0x16;
  JtagShiftIR(&instruction);
  JtagIdle(5);
  const Bytes queued = QueuedBytes();
  ASSERT_TRUE(JtagExecute(nullptr, 0, true));
  ASSERT_EQ(cable.writes.size(), 2u);
  EXPECT_EQ(cable.writes[1], queued);
  EXPECT_EQ(JtagCommandBuffer().count, 0u);
}

}  // namespace
