#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "jtag/cable_transport.h"

// A transport whose answers the test sets up and whose calls it inspects.
// Shared state lives outside the object, since the engine owns the transport.
struct ScriptedCable {
  std::vector<std::vector<uint8_t>> writes;
  std::deque<uint8_t> replies;    // bytes the cable has sent and nobody read
  bool failWrites = false;
  uint32_t shortWriteBy = 0;      // the next write takes this many bytes fewer
  bool readFails = false;
  bool reportQueue = true;        // false: like the endpoint transport, never reports waiting bytes
  int purges = 0;
  int closes = 0;
  int reads = 0;
};

class ScriptedTransport final : public CableTransport {
 public:
  explicit ScriptedTransport(ScriptedCable& cable) : cable_(cable) {}

  bool Write(const uint8_t* bytes, uint32_t count, uint32_t& written) override {
    written = 0;
    if (cable_.failWrites) return false;
    cable_.writes.emplace_back(bytes, bytes + count);
    written = count - cable_.shortWriteBy;
    cable_.shortWriteBy = 0;
    return true;
  }
  bool Read(uint8_t* buffer, uint32_t length, uint32_t& delivered) override {
    ++cable_.reads;
    delivered = 0;
    if (cable_.readFails) return false;
    while (delivered < length && !cable_.replies.empty()) {
      buffer[delivered++] = cable_.replies.front();
      cable_.replies.pop_front();
    }
    return true;
  }
  void Purge() override {
    ++cable_.purges;
    cable_.replies.clear();
  }
  void ReceiveQueueEmpty(uint32_t& waiting) override {
    waiting = cable_.reportQueue ? static_cast<uint32_t>(cable_.replies.size()) : 0;
  }
  void Close() override { ++cable_.closes; }

 private:
  ScriptedCable& cable_;
};
