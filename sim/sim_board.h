#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "jtag/cable_transport.h"
#include "sim_faults.h"
#include "sim_target.h"
#include "tap_controller.h"

// A USB-Blaster with the target on its JTAG chain, simulated at the signal
// level: it decodes the cable's byte protocol, clocks a TAP controller, shifts
// the target's registers and queues the TDO replies. It also checks the byte
// stream against the cable protocol and records every violation.
class SimBoard {
 public:
  explicit SimBoard(SimFaults faults = {});

  struct Counters {
    uint64_t opens = 0;
    uint64_t writes = 0;
    uint64_t bytesWritten = 0;
    uint64_t reads = 0;
    uint64_t bytesRead = 0;
  };

  // Opens transports on this board: the engine's FTDI slot, since the board
  // reports its receive queue as that cable does. None with "no-cable".
  CableOpener Opener();
  // Engine drivers with the board in the FTDI slot and no endpoint cable.
  CableDrivers Drivers();

  // The transport contract, as the cable answers it.
  bool Write(const uint8_t* bytes, uint32_t count, uint32_t& written);
  bool Read(uint8_t* buffer, uint32_t length, uint32_t& delivered);
  void Purge();
  void ReceiveQueueEmpty(uint32_t& waiting);
  void Close();

  SimTarget& Target() { return target_; }
  const Counters& Count() const { return counters_; }
  uint64_t Executes() const { return counters_.writes - counters_.opens; }
  const std::vector<std::string>& Violations() const { return violations_; }
  TapControllerState TapState() const { return tap_; }
  uint32_t RepliesWaiting() const { return static_cast<uint32_t>(replies_.size() - replyHead_); }

 private:
  void Decode(uint8_t byte);
  bool Tdo() const;
  void RisingEdge(bool tms, bool tdi);
  void Violation(const std::string& what);
  void Reply(uint8_t byte) { replies_.push_back(byte); }

  SimFaults faults_;
  std::vector<std::string> violations_;
  SimTarget target_;
  Counters counters_;

  // Cable.
  bool open_ = false;
  bool unplugged_ = false;
  bool tck_ = false;
  bool tms_ = false;
  uint32_t shiftBytesLeft_ = 0;
  bool shiftRead_ = false;
  std::vector<uint8_t> replies_;
  size_t replyHead_ = 0;

  // TAP and the register being shifted: a ring whose head is the TDO bit.
  TapControllerState tap_ = TapControllerState::TestLogicReset;
  std::vector<uint8_t> ir_;
  std::vector<uint8_t> dr_;
  size_t irHead_ = 0;
  size_t drHead_ = 0;
};
