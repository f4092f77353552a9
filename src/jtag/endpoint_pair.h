#pragma once

#include <cstdint>

// The USB side of the endpoint transport: one bulk OUT endpoint for writes,
// and a bulk IN endpoint with a fixed number of read slots, each holding one
// 64-byte read. Reads complete in the order they were submitted.
class EndpointPair {
 public:
  static constexpr int SLOTS = 20;
  static constexpr uint32_t PACKET_BYTES = 64;

  virtual ~EndpointPair() = default;

  // Issues a new 64-byte read into the slot (its result is not examined).
  virtual void SubmitRead(int slot) = 0;
  // Waits up to timeoutMs for the slot's read to complete; 0 only looks.
  virtual bool WaitRead(int slot, uint32_t timeoutMs) = 0;
  // The completed read: bytes moved (an error counts as what it moved) and data.
  virtual uint32_t ReadLength(int slot) const = 0;
  virtual const uint8_t* ReadData(int slot) const = 0;
  // A bulk write within the time-out; false when it failed or timed out.
  virtual bool Write(const uint8_t* bytes, uint32_t count, uint32_t timeoutMs, uint32_t& written) = 0;
  // Cancels every read still pending.
  virtual void CancelReads() = 0;
  // Waits until cancelled reads have finished, then releases the device.
  virtual void Release() = 0;
};
