#include <gtest/gtest.h>

#include "device/device_commands.h"
#include "jedec_generator.h"
#include "jtag/cable_link.h"
#include "jtag/command_stream.h"
#include "jtag/driver_message.h"
#include "jtag/endpoint_cable.h"
#include "sim_board.h"
#include "support/bytes.h"
#include "support/fake_endpoints.h"
#include "support/recording_window.h"
#include "support/temp_file.h"

namespace {

Bytes Counting(size_t n, uint8_t from = 0) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(from + i);
  return b;
}

class EndpointCableTest : public ::testing::Test {
 protected:
  EndpointCableTest() : usb(clock), cable(std::make_unique<FakeEndpoints>(usb), clock) {}

  Bytes Read(uint32_t n) {
    Bytes buffer(n + 8, 0xEE);  // a guard past n shows any overrun
    uint32_t delivered = 99;
    EXPECT_TRUE(cable.Read(buffer.data(), n, delivered));
    EXPECT_TRUE(std::all_of(buffer.begin() + n, buffer.end(), [](uint8_t b) { return b == 0xEE; }))
        << "wrote past the " << n << " bytes asked for";
    buffer.resize(delivered);
    return buffer;
  }

  VirtualClock clock{5000};
  FakeUsb usb;
  EndpointCable cable;
};

TEST_F(EndpointCableTest, OpenIssuesTwentyReads) { EXPECT_EQ(usb.submits, 20); }

TEST_F(EndpointCableTest, OnePacketLargerThanTheReadFeedsTheCarry) {
  usb.Send(0, Counting(10));
  EXPECT_EQ(Read(4), Counting(4));
  EXPECT_EQ(cable.CarryCount(), 6u);
  // Fewer than the carry holds: taken from it, no packet consumed.
  const int submits = usb.submits;
  EXPECT_EQ(Read(2), Counting(2, 4));
  EXPECT_EQ(cable.CarryCount(), 4u);
  EXPECT_EQ(usb.submits, submits);
  usb.Send(clock.Milliseconds(), Counting(3, 10));
  EXPECT_EQ(Read(6), Counting(6, 6)) << "carry first, then the next packet";
  EXPECT_EQ(cable.CarryCount(), 1u);
}

TEST_F(EndpointCableTest, OnlyStatusPacketsTimeOutAfterASecond) {
  usb.IdleStatusEvery(1);
  const uint32_t start = clock.Milliseconds();
  EXPECT_EQ(Read(5), Bytes{});
  const uint32_t took = clock.Milliseconds() - start;
  EXPECT_GT(took, 1000u);
  EXPECT_LE(took, 1011u);
  EXPECT_EQ(cable.CarryCount(), 0u);
}

TEST_F(EndpointCableTest, ArrivingDataDoesNotExtendTheTimeOut) {
  for (uint32_t t = 0; t < 3000; t += 100) usb.Send(clock.Milliseconds() + t, {0x01});
  EXPECT_EQ(Read(85).size(), 11u) << "one byte every 100 ms, cut off after 1000 ms";
  EXPECT_EQ(cable.CarryCount(), 0u);
}

TEST_F(EndpointCableTest, ReplyInTwoPackets) {
  usb.Send(0, Counting(62));
  usb.Send(3, Counting(23, 62));
  EXPECT_EQ(Read(85), Counting(85));
  EXPECT_EQ(cable.CarryCount(), 0u);
}

TEST_F(EndpointCableTest, WriteDrainsStatusPacketsButKeepsPayload) {
  usb.SendStatusOnly(0);
  usb.SendStatusOnly(0);
  usb.Send(0, {0xAB, 0xCD});
  usb.SendStatusOnly(0);
  uint32_t written = 0;
  const uint8_t bytes[] = {0x28, 0x29};
  ASSERT_TRUE(cable.Write(bytes, 2, written));
  EXPECT_EQ(written, 2u);
  EXPECT_EQ(usb.submits, 22) << "two status slots re-armed, the payload slot kept";
  EXPECT_EQ(Read(2), (Bytes{0xAB, 0xCD}));
}

TEST_F(EndpointCableTest, PurgeDiscardsPayloadAndCarry) {
  usb.Send(0, Counting(10));
  Read(4);
  usb.Send(clock.Milliseconds(), Counting(5));
  cable.Purge();
  EXPECT_EQ(cable.CarryCount(), 0u);
  EXPECT_EQ(Read(1), Bytes{});
}

TEST_F(EndpointCableTest, PurgeEndsOnACableThatKeepsSendingStatus) {
  usb.IdleStatusEvery(2);
  const uint32_t start = clock.Milliseconds();
  cable.Purge();
  EXPECT_LE(clock.Milliseconds() - start, 60u);
}

TEST_F(EndpointCableTest, CloseWaitsForTheReadsInFlight) {
  std::vector<std::string> messages;
  SetDriverMessageHandler([&](const std::string& text) { messages.push_back(text); });
  usb.IdleStatusEvery(1);
  cable.Close();
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(usb.cancels, 0);
  EXPECT_TRUE(usb.released);
  SetDriverMessageHandler(nullptr);
}

TEST_F(EndpointCableTest, CloseOnASilentCableReportsAndStillReleases) {
  std::vector<std::string> messages;
  SetDriverMessageHandler([&](const std::string& text) { messages.push_back(text); });
  usb.stalled = true;
  const uint32_t start = clock.Milliseconds();
  cable.Close();
  EXPECT_EQ(clock.Milliseconds() - start, 100u);
  EXPECT_EQ(messages, std::vector<std::string>{"Close failed!!\nPlease re-insert USB-Blaster."});
  EXPECT_EQ(usb.cancels, 1);
  EXPECT_TRUE(usb.released);
  SetDriverMessageHandler(nullptr);
}

// The engine, the ring and the simulated board together: the board's replies
// arrive in packets behind two status bytes, and idle packets keep coming.
TEST(EndpointCableStack, ProgramAndVerifyOverTheRing) {
  TempDir dir;
  const auto file = dir.Write("example.jed", ExampleJedecText());

  VirtualClock clock;
  FakeUsb usb(clock);
  SimBoard board(ParseSimFaults("erase-busy=3,row-busy=1"));
  auto boardCable = board.Opener()();
  usb.IdleStatusEvery(2);
  usb.onWrite = [&](const uint8_t* bytes, uint32_t count) {
    uint32_t written = 0;
    boardCable->Write(bytes, count, written);
    uint32_t waiting = 0;
    boardCable->ReceiveQueueEmpty(waiting);
    Bytes replies(waiting);
    uint32_t delivered = 0;
    boardCable->Read(replies.data(), waiting, delivered);
    usb.Send(clock.Milliseconds(), replies);
  };
  JtagResetEngineForTesting();
  JtagSetCableDrivers(
      {[&]() -> std::unique_ptr<CableTransport> {
         return std::make_unique<EndpointCable>(std::make_unique<FakeEndpoints>(usb), clock);
       },
       [] { return nullptr; }});
  RecordingWindow window;
  EXPECT_EQ(ProgramDevice(window, clock, file), CommandOutcome::Success) << window.status;
  EXPECT_TRUE(board.Violations().empty()) << board.Violations().front();
  EXPECT_TRUE(usb.released);
  EXPECT_EQ(board.Target().RowsRead(), 1938u);
  JtagSetCableDrivers(JtagDefaultCableDrivers());
}

TEST(EndpointCableSelection, NoBlasterOnTheBusFallsBackToFtdi) {
  // Nothing with 09FB:6001 is attached here (the umockdev tests attach one).
  if (OpenEndpointCable()) GTEST_SKIP() << "a USB-Blaster is attached to this machine";
  int ftdiOpens = 0;
  JtagSetCableDrivers({OpenEndpointCable, [&]() -> std::unique_ptr<CableTransport> {
                         ++ftdiOpens;
                         return nullptr;
                       }});
  EXPECT_FALSE(JtagOpen());
  EXPECT_EQ(ftdiOpens, 1);
  JtagSetCableDrivers(JtagDefaultCableDrivers());
}

}  // namespace
