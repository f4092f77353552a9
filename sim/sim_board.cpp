#include "sim_board.h"

#include <algorithm>
#include <cstdio>

#include "jtag/usb_blaster_protocol.h"

using namespace usb_blaster;
using S = TapControllerState;

namespace {

class SimCableTransport final : public CableTransport {
 public:
  explicit SimCableTransport(SimBoard& board) : board_(board) {}
  bool Write(const uint8_t* bytes, uint32_t count, uint32_t& written) override {
    return board_.Write(bytes, count, written);
  }
  bool Read(uint8_t* buffer, uint32_t length, uint32_t& delivered) override {
    return board_.Read(buffer, length, delivered);
  }
  void Purge() override { board_.Purge(); }
  void ReceiveQueueEmpty(uint32_t& waiting) override { board_.ReceiveQueueEmpty(waiting); }
  void Close() override { board_.Close(); }

 private:
  SimBoard& board_;
};

// The register as it stands: bit i is i places from the TDO end.
std::vector<uint8_t> Unroll(const std::vector<uint8_t>& ring, size_t head) {
  std::vector<uint8_t> bits(ring.size());
  for (size_t i = 0; i < ring.size(); ++i) bits[i] = ring[(head + i) % ring.size()];
  return bits;
}

}  // namespace

SimBoard::SimBoard(SimFaults faults) : faults_(std::move(faults)), target_(faults_, violations_), ir_(8, 0), dr_(1, 0) {}

CableOpener SimBoard::Opener() {
  return [this]() -> std::unique_ptr<CableTransport> {
    if (faults_.noCable) return nullptr;
    open_ = true;
    ++counters_.opens;
    return std::make_unique<SimCableTransport>(*this);
  };
}

CableDrivers SimBoard::Drivers() { return {[] { return nullptr; }, Opener()}; }

void SimBoard::Violation(const std::string& what) { violations_.push_back("cable: " + what); }

bool SimBoard::Write(const uint8_t* bytes, uint32_t count, uint32_t& written) {
  written = 0;
  const uint64_t n = ++counters_.writes;
  if (!open_) {
    Violation("bytes written after close");
    return false;
  }
  if (unplugged_ || (faults_.writeFailAt && n == *faults_.writeFailAt)) return false;
  for (uint32_t i = 0; i < count; ++i) Decode(bytes[i]);
  counters_.bytesWritten += count;
  written = count;
  if (faults_.extraByteAt && n == *faults_.extraByteAt) Reply(0x00);
  if (faults_.unplugAfterWrites && n >= *faults_.unplugAfterWrites) unplugged_ = true;
  return true;
}

bool SimBoard::Read(uint8_t* buffer, uint32_t length, uint32_t& delivered) {
  delivered = 0;
  const uint64_t n = ++counters_.reads;
  if (!open_) {
    Violation("read after close");
    return false;
  }
  if (unplugged_) return false;
  uint32_t take = std::min(length, RepliesWaiting());
  if (take < length) {
    Violation("read of " + std::to_string(length) + " bytes with " + std::to_string(take) + " waiting");
  }
  // A short read leaves the late byte in the queue, as a slow cable would.
  if (faults_.shortReadAt && n == *faults_.shortReadAt && take > 0) --take;
  std::copy_n(replies_.begin() + static_cast<ptrdiff_t>(replyHead_), take, buffer);
  replyHead_ += take;
  if (replyHead_ == replies_.size()) {
    replies_.clear();
    replyHead_ = 0;
  }
  delivered = take;
  counters_.bytesRead += take;
  return true;
}

void SimBoard::Purge() {
  replies_.clear();
  replyHead_ = 0;
}

void SimBoard::ReceiveQueueEmpty(uint32_t& waiting) { waiting = RepliesWaiting(); }

void SimBoard::Close() {
  if (!open_) Violation("close of a closed cable");
  open_ = false;
}

bool SimBoard::Tdo() const {
  if (tap_ == S::ShiftDR) return dr_[drHead_];
  if (tap_ == S::ShiftIR) return ir_[irHead_];
  return true;  // TDO floats high outside the shift states
}

void SimBoard::Decode(uint8_t byte) {
  if (shiftBytesLeft_ > 0) {
    uint8_t captured = 0;
    for (int bit = 0; bit < 8; ++bit) {
      if (Tdo()) captured |= static_cast<uint8_t>(1u << bit);
      RisingEdge(tms_, (byte >> bit) & 1);
    }
    tck_ = false;
    if (shiftRead_) Reply(captured);
    --shiftBytesLeft_;
    return;
  }
  if (byte & SHIFT_MODE) {
    const uint32_t count = byte & SHIFT_COUNT_MASK;
    shiftRead_ = byte & READ;
    shiftBytesLeft_ = count;
    if (count == 0 || count > MAX_SHIFT_BYTES) {
      Violation("byte-shift header with " + std::to_string(count) + " data bytes");
    }
    const bool shiftState = tap_ == S::ShiftDR || tap_ == S::ShiftIR || tap_ == S::RunTestIdle;
    if (!shiftState || tms_) {
      Violation(std::string("byte-shift in ") + TapStateName(tap_) + (tms_ ? " with TMS 1" : ""));
    }
    return;
  }
  if ((byte & (NCS | LED)) != (NCS | LED) && byte != RESET_BYTE) {
    Violation("bit-bang byte without nCS and LED");
  }
  const bool tck = byte & TCK;
  tms_ = byte & TMS;
  if (byte & READ) Reply(Tdo() ? 1 : 0);
  if (tck && !tck_) RisingEdge(tms_, byte & TDI);
  tck_ = tck;
}

void SimBoard::RisingEdge(bool tms, bool tdi) {
  switch (tap_) {
    case S::RunTestIdle:
      if (!tms) target_.Idle(1);
      break;
    case S::CaptureDR:
      target_.CaptureDR(dr_);
      if (dr_.empty()) dr_.assign(1, 0);
      drHead_ = 0;
      break;
    case S::ShiftDR:
      dr_[drHead_] = tdi;
      drHead_ = (drHead_ + 1) % dr_.size();
      break;
    case S::CaptureIR:
      std::fill(ir_.begin(), ir_.end(), 0);
      ir_[0] = 1;  // the mandatory 01 in the low bits
      irHead_ = 0;
      break;
    case S::ShiftIR:
      ir_[irHead_] = tdi;
      irHead_ = (irHead_ + 1) % ir_.size();
      break;
    default:
      break;
  }
  const S next = NextTapState(tap_, tms);
  if (next == S::UpdateDR) target_.UpdateDR(Unroll(dr_, drHead_));
  if (next == S::UpdateIR) {
    const std::vector<uint8_t> bits = Unroll(ir_, irHead_);
    uint8_t opcode = 0;
    for (int i = 0; i < 8; ++i) opcode |= static_cast<uint8_t>(bits[i] << i);
    target_.UpdateIR(opcode);
  }
  if (next == S::TestLogicReset && tap_ != S::TestLogicReset) target_.Reset();
  tap_ = next;
}
