#pragma once

#include <cstdint>
#include <functional>
#include <memory>

// One way of reaching a USB-Blaster. It carries command and reply bytes
// unchanged and knows nothing of JTAG. Opening is the job of the driver
// function that creates it (see CableDrivers).
class CableTransport {
 public:
  virtual ~CableTransport() = default;

  // All bytes in one call; `written` receives the number taken.
  virtual bool Write(const uint8_t* bytes, uint32_t count, uint32_t& written) = 0;
  // The oldest unread reply bytes, waiting at most the read time-out; a
  // time-out is a success with fewer bytes in `delivered`.
  virtual bool Read(uint8_t* buffer, uint32_t length, uint32_t& delivered) = 0;
  virtual void Purge() = 0;
  // Reply bytes still waiting, 0 when empty (or when the transport cannot tell).
  virtual void ReceiveQueueEmpty(uint32_t& waiting) = 0;
  virtual void Close() = 0;
};

using CableOpener = std::function<std::unique_ptr<CableTransport>()>;

// The two ways the engine opens a cable: the endpoint transport first, then
// the FTDI one. Tests and the simulated board replace either.
struct CableDrivers {
  CableOpener openEndpointCable;
  CableOpener openFtdiCable;
};
