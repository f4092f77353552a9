#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "device/device_operation.h"
#include "device/target_device.h"
#include "jtag/cable_link.h"
#include "jtag/command_stream.h"
#include "jtag/driver_message.h"
#include "jtag/ftdi_cable.h"
#include "sim_board.h"
#include "support/bytes.h"
#include "support/fake_d2xx_library.h"
#include "support/recording_window.h"
#include "support/scripted_transport.h"

namespace {

std::string LowerHex(const Bytes& bytes) {
  std::string hex = ToHex(bytes);
  hex.erase(std::remove(hex.begin(), hex.end(), ' '), hex.end());
  std::transform(hex.begin(), hex.end(), hex.begin(), [](unsigned char c) { return std::tolower(c); });
  return hex;
}

// The real dlopen path: no endpoint cable, the FTDI transport over a test library.
class FtdiCableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    JtagResetEngineForTesting();
    JtagSetCableDrivers({[] { return nullptr; }, OpenFtdiCable});
    SetDriverMessageHandler([this](const std::string& text) { messages.push_back(text); });
  }
  void TearDown() override {
    JtagClose();
    JtagSetCableDrivers(JtagDefaultCableDrivers());
    SetDriverMessageHandler(nullptr);
    FtdiUseLibrariesForTesting({});
  }

  std::vector<std::string> messages;
  ScriptedCable cable;
  ScriptedTransport transport{cable};
  const std::string preambleLine = "FT_Write " + LowerHex(ResetPreamble()) + "\n";
};

TEST_F(FtdiCableTest, LibraryAbsentShowsTheMessageOnEveryOpen) {
  FtdiUseLibrariesForTesting({"/nonexistent/libftd2xx.so"});
  EXPECT_FALSE(JtagOpen());
  EXPECT_FALSE(JtagOpen());
  EXPECT_EQ(messages, (std::vector<std::string>{"Could not load FTD2XX.DLL", "Could not load FTD2XX.DLL"}));
}

TEST_F(FtdiCableTest, LibraryMissingAFunctionShowsTheMessage) {
  FtdiUseLibrariesForTesting({FAKE_D2XX_WITHOUT_CLOSE_PATH});
  EXPECT_FALSE(JtagOpen());
  EXPECT_EQ(messages, std::vector<std::string>{"Could not load FTD2XX.DLL"});
}

TEST_F(FtdiCableTest, SuccessfulOpenCallSequence) {
  FakeD2xxLibrary library(FAKE_D2XX_PATH);
  library.Attach(&transport);
  ASSERT_TRUE(JtagOpen());
  JtagClose();
  EXPECT_EQ(library.Log(),
            "FT_SetVIDPID 09fb 6001\n"
            "FT_OpenEx USB-Blaster 2\n"
            "FT_SetTimeouts 1000 1000\n"
            "FT_SetLatencyTimer 2\n" +
                preambleLine +
                "FT_Purge 3\n"
                "FT_Close\n");
  EXPECT_TRUE(messages.empty());
  ASSERT_EQ(cable.writes.size(), 1u);
  EXPECT_EQ(cable.writes[0].size(), 76u);
}

TEST_F(FtdiCableTest, LibraryWithoutOptionalCallsStillWorks) {
  FakeD2xxLibrary library(FAKE_D2XX_MINIMAL_PATH);
  library.Attach(&transport);
  ASSERT_TRUE(JtagOpen());
  cable.replies = {0x01};
  const uint8_t zero = 0;
  JtagShiftDR(&zero, 0, 1, true);
  uint8_t rx[1] = {};
  ASSERT_TRUE(JtagExecute(rx, 1, true));
  EXPECT_EQ(rx[0] & 1, 1);
  JtagClose();
  EXPECT_EQ(library.Log(),
            "FT_OpenEx USB-Blaster 2\n"
            "FT_SetTimeouts 1000 1000\n" +
                preambleLine + "FT_Purge 3\n" + "FT_Write 2a2b282928296a2b2829\n" +
                "FT_Read 1\n"
                "FT_GetStatus\n"
                "FT_Close\n");
}

TEST_F(FtdiCableTest, OpenExFailingReturnsNoCableSilently) {
  FakeD2xxLibrary library(FAKE_D2XX_PATH);
  library.Attach(&transport);
  library.Fail("FT_OpenEx");
  EXPECT_FALSE(JtagOpen());
  EXPECT_TRUE(messages.empty());
  EXPECT_TRUE(cable.writes.empty());
}

TEST_F(FtdiCableTest, PreambleWriteFailingClosesTheHandle) {
  FakeD2xxLibrary library(FAKE_D2XX_PATH);
  library.Attach(&transport);
  library.Fail("FT_Write");
  EXPECT_FALSE(JtagOpen());
  EXPECT_FALSE(JtagCableIsOpen());
  const std::string log = library.Log();
  EXPECT_NE(log.find(preambleLine + "FT_Close\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("FT_Purge"), std::string::npos);
}

TEST_F(FtdiCableTest, DlopenPathTalksToTheSimulatedBoard) {
  SimBoard board;
  auto boardCable = board.Opener()();
  FakeD2xxLibrary library(FAKE_D2XX_PATH);
  library.Attach(boardCable.get());
  ASSERT_TRUE(JtagOpen());
  RecordingWindow window;
  VirtualClock clock;
  DeviceOperation op(window, clock);
  EXPECT_EQ(op.ReadIdcode(), target::DEVICE_IDCODE);
  JtagClose();
  EXPECT_EQ(board.Count().writes, 2u);
  EXPECT_TRUE(board.Violations().empty()) << board.Violations().front();
}

}  // namespace
