#pragma once

#include <array>
#include <deque>
#include <functional>
#include <vector>

#include "jtag/clock.h"
#include "jtag/endpoint_pair.h"

// Scripted USB for the endpoint ring: packets arrive at set virtual times and
// complete the pending reads in submission order; an idle cable can be made
// to send status-only packets at an interval, as the real ones do.
struct FakeUsb {
  explicit FakeUsb(VirtualClock& clock) : clock(clock) {}

  struct Packet {
    uint32_t at;
    std::vector<uint8_t> bytes;
  };

  // Queues payload at time `at`, split into packets of 2 status bytes and up to 62 bytes.
  void Send(uint32_t at, const std::vector<uint8_t>& payload, size_t perPacket = 62) {
    for (size_t i = 0; i < payload.size(); i += perPacket) {
      std::vector<uint8_t> packet = {0x31, 0x60};
      packet.insert(packet.end(), payload.begin() + static_cast<long>(i),
                    payload.begin() + static_cast<long>(std::min(payload.size(), i + perPacket)));
      scripted.push_back({at, packet});
    }
  }
  void SendStatusOnly(uint32_t at) { scripted.push_back({at, {0x31, 0x60}}); }
  void IdleStatusEvery(uint32_t ms) {
    idleInterval = ms;
    nextIdle = clock.Milliseconds() + ms;
  }

  // Completes pending reads with whatever has arrived by now.
  void Deliver() {
    const uint32_t now = clock.Milliseconds();
    while (!pending.empty() && !stalled) {
      std::vector<uint8_t> bytes;
      if (!scripted.empty() && scripted.front().at <= now) {
        bytes = std::move(scripted.front().bytes);
        scripted.pop_front();
      } else if (idleInterval && nextIdle <= now) {
        bytes = {0x31, 0x60};
        nextIdle += idleInterval;
      } else {
        break;
      }
      const int slot = pending.front();
      pending.pop_front();
      completed[slot] = true;
      data[slot] = bytes;
    }
  }

  // The next time something could arrive, or none.
  bool NextArrival(uint32_t& at) const {
    if (stalled) return false;
    bool any = false;
    if (!scripted.empty()) {
      at = scripted.front().at;
      any = true;
    }
    if (idleInterval && (!any || nextIdle < at)) {
      at = nextIdle;
      any = true;
    }
    return any;
  }

  VirtualClock& clock;
  std::deque<Packet> scripted;
  uint32_t idleInterval = 0;
  uint32_t nextIdle = 0;
  bool stalled = false;  // the cable has stopped sending anything
  std::deque<int> pending;
  std::array<bool, EndpointPair::SLOTS> completed{};
  std::array<std::vector<uint8_t>, EndpointPair::SLOTS> data{};
  int submits = 0;
  int cancels = 0;
  bool released = false;
  std::vector<std::vector<uint8_t>> writes;
  std::function<void(const uint8_t*, uint32_t)> onWrite;
};

class FakeEndpoints final : public EndpointPair {
 public:
  explicit FakeEndpoints(FakeUsb& usb) : usb_(usb) {}

  void SubmitRead(int slot) override {
    ++usb_.submits;
    usb_.completed[slot] = false;
    usb_.pending.push_back(slot);
  }
  bool WaitRead(int slot, uint32_t timeoutMs) override {
    const uint32_t deadline = usb_.clock.Milliseconds() + timeoutMs;
    for (;;) {
      usb_.Deliver();  // afterwards nothing is due before the next arrival
      if (usb_.completed[slot]) return true;
      uint32_t at = 0;
      if (!usb_.NextArrival(at) || at > deadline) break;
      usb_.clock.Advance(at - usb_.clock.Milliseconds());
    }
    usb_.clock.Advance(deadline - usb_.clock.Milliseconds());
    return false;
  }
  uint32_t ReadLength(int slot) const override { return static_cast<uint32_t>(usb_.data[slot].size()); }
  const uint8_t* ReadData(int slot) const override { return usb_.data[slot].data(); }
  bool Write(const uint8_t* bytes, uint32_t count, uint32_t, uint32_t& written) override {
    usb_.writes.emplace_back(bytes, bytes + count);
    if (usb_.onWrite) usb_.onWrite(bytes, count);
    written = count;
    return true;
  }
  void CancelReads() override { ++usb_.cancels; }
  void Release() override { usb_.released = true; }

 private:
  FakeUsb& usb_;
};
