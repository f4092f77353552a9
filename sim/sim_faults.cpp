#include "sim_faults.h"

#include <sstream>
#include <stdexcept>

#include "device/target_device.h"

namespace {

uint32_t ParseNumber(const std::string& item, const std::string& text) {
  try {
    size_t used = 0;
    const unsigned long value = std::stoul(text, &used, 0);
    if (used == text.size() && value <= 0xFFFFFFFFul) return static_cast<uint32_t>(value);
  } catch (const std::exception&) {
  }
  throw std::invalid_argument("bad number in simulator fault '" + item + "'");
}

StatusPhase ParsePhase(const std::string& item, const std::string& name) {
  if (name == "config") return StatusPhase::Config;
  if (name == "erase") return StatusPhase::Erase;
  if (name == "usercode") return StatusPhase::UserCode;
  if (name == "write") return StatusPhase::Write;
  if (name == "sedcrc") return StatusPhase::SedCrc;
  throw std::invalid_argument("unknown status phase in simulator fault '" + item + "'");
}

}  // namespace

SimFaults ParseSimFaults(const std::string& text) {
  SimFaults faults;
  std::istringstream list(text);
  std::string item;
  while (std::getline(list, item, ',')) {
    if (item.empty()) continue;
    const auto eq = item.find('=');
    const std::string key = item.substr(0, eq);
    const std::string value = eq == std::string::npos ? "" : item.substr(eq + 1);
    const bool hasValue = eq != std::string::npos;
    auto number = [&] { return ParseNumber(item, value); };
    auto pair = [&](char sep) {
      const auto at = value.find(sep);
      if (at == std::string::npos) throw std::invalid_argument("simulator fault '" + item + "' needs A" + sep + "B");
      return std::make_pair(value.substr(0, at), value.substr(at + 1));
    };

    if (key == "no-cable" && !hasValue) {
      faults.noCable = true;
    } else if (!hasValue) {
      throw std::invalid_argument("unknown simulator fault '" + item + "'");
    } else if (key == "idcode") {
      faults.idcode = number();
    } else if (key == "erase-busy") {
      faults.eraseBusy = number();
    } else if (key == "row-busy") {
      faults.rowBusy = number();
    } else if (key == "never-ready") {
      if (value == "erase") {
        faults.eraseNeverReady = true;
      } else if (value == "row") {
        faults.rowNeverReady = true;
      } else {
        throw std::invalid_argument("simulator fault '" + item + "': never-ready takes erase or row");
      }
    } else if (key == "status") {
      auto [phase, byte] = pair(':');
      const uint32_t v = ParseNumber(item, byte);
      if (v > 0xFF) throw std::invalid_argument("status byte out of range in '" + item + "'");
      faults.status.push_back({ParsePhase(item, phase), static_cast<uint8_t>(v)});
    } else if (key == "flip") {
      auto [row, bit] = pair(':');
      const RowBitFlip flip{ParseNumber(item, row), ParseNumber(item, bit)};
      if (flip.row >= target::ROW_COUNT || flip.bit >= target::ROW_BITS) throw std::invalid_argument("row or bit out of range in '" + item + "'");
      faults.flips.push_back(flip);
    } else if (key == "usercode-flip" || key == "sedcrc-flip") {
      const uint32_t bit = number();
      if (bit >= 32) throw std::invalid_argument("bit out of range in '" + item + "'");
      (key == "usercode-flip" ? faults.userCodeFlip : faults.sedCrcFlip) = bit;
    } else if (key == "unplug-after-writes") {
      faults.unplugAfterWrites = number();
    } else if (key == "short-read-at") {
      faults.shortReadAt = number();
    } else if (key == "extra-byte-at") {
      faults.extraByteAt = number();
    } else if (key == "write-fail-at") {
      faults.writeFailAt = number();
    } else {
      throw std::invalid_argument("unknown simulator fault '" + item + "'");
    }
  }
  return faults;
}

const char* SimFaultHelp() {
  return R"(Simulator faults (--simulate=LIST, comma separated):
  idcode=0xNNNNNNNN       the device answers this IDCODE
  erase-busy=N            the erase answers busy N times before it is ready
  row-busy=N              each row write answers busy N times before it is ready
  never-ready=erase       the erase never finishes
  never-ready=row         a row write never finishes
  status=PHASE:0xNN       the status read at PHASE returns this byte; PHASE is
                          config, erase, usercode, write or sedcrc
  flip=ROW:BIT            reading back row ROW returns bit BIT inverted
  usercode-flip=B         reading back the user code returns bit B inverted
  sedcrc-flip=B           reading back the SED CRC returns bit B inverted
  no-cable                no cable is attached
  unplug-after-writes=N   the cable disappears after its Nth write
  short-read-at=N         the Nth read delivers one byte fewer
  extra-byte-at=N         the Nth write leaves one stray reply byte behind
  write-fail-at=N         the Nth write fails
Writes and reads are counted from 1, the reset preamble's write included.)";
}
