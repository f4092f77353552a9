#include "jtag/endpoint_cable.h"

#include <algorithm>
#include <cstring>

#include "jtag/driver_message.h"
#include "jtag/libusb_endpoints.h"

namespace {
constexpr uint32_t READ_STEP_MS = 10;
constexpr uint32_t PURGE_WAIT_MS = 4;
constexpr uint32_t PURGE_LIMIT_MS = 50;
constexpr uint32_t CLOSE_WAIT_MS = 100;
}  // namespace

EndpointCable::EndpointCable(std::unique_ptr<EndpointPair> endpoints, Clock& clock)
    : endpoints_(std::move(endpoints)), clock_(clock) {
  for (int slot = 0; slot < EndpointPair::SLOTS; ++slot) endpoints_->SubmitRead(slot);
}

void EndpointCable::Rearm() {
  endpoints_->SubmitRead(ring_);
  Advance();
}

bool EndpointCable::Write(const uint8_t* bytes, uint32_t count, uint32_t& written) {
  // Status-only packets that came in while the cable was idle go; a packet
  // with payload stays for the next Read.
  while (endpoints_->WaitRead(ring_, 0) && endpoints_->ReadLength(ring_) <= STATUS_BYTES) Rearm();
  written = 0;
  return endpoints_->Write(bytes, count, WRITE_TIMEOUT_MS, written);
}

bool EndpointCable::Read(uint8_t* buffer, uint32_t length, uint32_t& delivered) {
  const uint32_t start = clock_.Milliseconds();
  // Never more than asked for, even when the carry holds more.
  const uint32_t fromCarry = std::min(carryCount_, length);
  std::memcpy(buffer, carry_, fromCarry);
  std::memmove(carry_, carry_ + fromCarry, carryCount_ - fromCarry);
  carryCount_ -= fromCarry;
  uint32_t done = fromCarry;
  if (done == length) {
    delivered = length;
    return true;
  }

  for (;;) {
    if (endpoints_->WaitRead(ring_, READ_STEP_MS)) {
      const uint32_t moved = endpoints_->ReadLength(ring_);
      if (moved > STATUS_BYTES) {
        const uint8_t* payload = endpoints_->ReadData(ring_) + STATUS_BYTES;
        const uint32_t size = moved - STATUS_BYTES;
        if (done + size >= length) {
          const uint32_t used = length - done;
          std::memcpy(buffer + done, payload, used);
          carryCount_ = size - used;
          std::memcpy(carry_, payload + used, carryCount_);
          delivered = length;
          Rearm();
          return true;
        }
        std::memcpy(buffer + done, payload, size);
        done += size;
      }
      Rearm();
    }
    // Counted once per call: arriving data does not extend it.
    if (clock_.Milliseconds() - start > READ_TIMEOUT_MS) break;
  }
  delivered = done;
  carryCount_ = 0;
  return true;
}

void EndpointCable::Purge() {
  // A cable that sends status-only packets more often than every 4 ms (an
  // FT245 with a 2 ms latency timer does) would keep this going forever; what
  // had arrived is gone well within the limit.
  const uint32_t start = clock_.Milliseconds();
  while (clock_.Milliseconds() - start < PURGE_LIMIT_MS && endpoints_->WaitRead(ring_, PURGE_WAIT_MS)) Rearm();
  carryCount_ = 0;
}

void EndpointCable::Close() {
  // The reads in flight are waited for, not cancelled, unless one stalls.
  for (int i = 0; i < EndpointPair::SLOTS; ++i) {
    if (!endpoints_->WaitRead(ring_, CLOSE_WAIT_MS)) {
      endpoints_->CancelReads();
      ShowDriverMessage("Close failed!!\nPlease re-insert USB-Blaster.");
      break;
    }
    Advance();
  }
  endpoints_->Release();
}

std::unique_ptr<CableTransport> OpenEndpointCable() {
  static SystemClock clock;
  auto endpoints = OpenLibusbEndpoints();
  if (!endpoints) return nullptr;
  return std::make_unique<EndpointCable>(std::move(endpoints), clock);
}
