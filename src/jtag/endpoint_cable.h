#pragma once

#include <memory>

#include "jtag/cable_transport.h"
#include "jtag/clock.h"
#include "jtag/endpoint_pair.h"

// The USB-Blaster reached directly through its two bulk endpoints (the
// Microchip-based cable, and a genuine FTDI one on Linux), tried before D2XX.
// Twenty 64-byte reads stay pending in a ring; every IN packet starts with two
// status bytes, which are dropped, and the payload is handed out in order.
class EndpointCable final : public CableTransport {
 public:
  static constexpr uint32_t WRITE_TIMEOUT_MS = 1000;
  static constexpr uint32_t READ_TIMEOUT_MS = 1000;
  static constexpr uint32_t STATUS_BYTES = 2;

  EndpointCable(std::unique_ptr<EndpointPair> endpoints, Clock& clock);

  bool Write(const uint8_t* bytes, uint32_t count, uint32_t& written) override;
  bool Read(uint8_t* buffer, uint32_t length, uint32_t& delivered) override;
  void Purge() override;
  // The cable cannot tell; the engine counts the queue as empty.
  void ReceiveQueueEmpty(uint32_t& waiting) override { waiting = 0; }
  void Close() override;

  uint32_t CarryCount() const { return carryCount_; }

 private:
  void Rearm();
  void Advance() { ring_ = (ring_ + 1) % EndpointPair::SLOTS; }

  std::unique_ptr<EndpointPair> endpoints_;
  Clock& clock_;
  uint32_t carryCount_ = 0;
  uint8_t carry_[256] = {};
  int ring_ = 0;  // the slot whose read was issued longest ago
};

// Finds the first 09FB:6001 device through libusb and opens it; none when
// there is no such device or it cannot be opened.
std::unique_ptr<CableTransport> OpenEndpointCable();
