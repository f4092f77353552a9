#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Status reads the simulated device can be told to fail, named after the step
// of the sequence that tests them.
enum class StatusPhase { Config, Erase, UserCode, Write, SedCrc };

struct StatusFault {
  StatusPhase phase;
  uint8_t value;
};

struct RowBitFlip {
  uint32_t row;
  uint32_t bit;
};

// What can go wrong on the simulated board, written as a comma list such as
// "erase-busy=30,flip=5:17,short-read-at=4". Counts of writes and reads are
// 1-based and include the reset preamble's write.
struct SimFaults {
  uint32_t idcode = 0x01299043;
  uint32_t eraseBusy = 0;      // busy ready answers before the erase finishes
  uint32_t rowBusy = 0;        // busy ready answers after each row write
  bool eraseNeverReady = false;
  bool rowNeverReady = false;
  std::vector<StatusFault> status;
  std::vector<RowBitFlip> flips;        // read-back of a row bit is inverted
  std::optional<uint32_t> userCodeFlip; // read-back of this user-code bit is inverted
  std::optional<uint32_t> sedCrcFlip;
  bool noCable = false;
  std::optional<uint32_t> unplugAfterWrites;  // every later write and read fails
  std::optional<uint32_t> shortReadAt;        // that read delivers one byte fewer
  std::optional<uint32_t> extraByteAt;        // that write leaves one stray reply byte
  std::optional<uint32_t> writeFailAt;        // that write fails
};

// Throws std::invalid_argument with a message naming the bad item.
SimFaults ParseSimFaults(const std::string& text);

// One line per fault, for --help.
const char* SimFaultHelp();
