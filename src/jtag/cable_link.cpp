#include "jtag/cable_link.h"

#include "jtag/command_stream.h"
#include "jtag/endpoint_cable.h"
#include "jtag/ftdi_cable.h"
#include "jtag/usb_blaster_protocol.h"

uint32_t LastTransferCount = 0;

namespace {

std::unique_ptr<CableTransport> g_cable;
CableDrivers g_drivers = JtagDefaultCableDrivers();

void QueueResetPreamble() {
  using namespace usb_blaster;
  for (uint32_t i = 0; i < RESET_HOLD_BYTES; ++i) JtagAppendByte(RESET_BYTE);
  const uint8_t tmsHigh = BITBANG_IDLE | TMS;
  for (uint32_t i = 0; i < RESET_TMS_CLOCKS; ++i) {
    JtagAppendByte(tmsHigh);
    JtagAppendByte(tmsHigh | TCK);
  }
  JtagAppendByte(BITBANG_IDLE);
  JtagAppendByte(BITBANG_IDLE | TCK);
}

// Resets the freshly opened cable; on failure the cable is closed again.
bool ResetCable(std::unique_ptr<CableTransport> cable) {
  // Bytes left by an earlier failed write must never reach a device.
  JtagClearCommandBuffer();
  QueueResetPreamble();
  CommandBuffer& buffer = JtagCommandBuffer();
  if (!cable->Write(buffer.data.get(), buffer.count, LastTransferCount)) {
    cable->Close();
    return false;
  }
  JtagSetTapState(TAP_IDLE);
  cable->Purge();
  JtagClearCommandBuffer();
  g_cable = std::move(cable);
  return true;
}

}  // namespace

CableDrivers JtagDefaultCableDrivers() { return {OpenEndpointCable, OpenFtdiCable}; }

void JtagSetCableDrivers(CableDrivers drivers) { g_drivers = std::move(drivers); }

bool JtagCableIsOpen() { return g_cable != nullptr; }

bool JtagOpen() {
  // The first transport that finds a cable is used; a failed preamble write
  // does not fall back to the next one, since that cable was there.
  for (const CableOpener* open : {&g_drivers.openEndpointCable, &g_drivers.openFtdiCable}) {
    if (!*open) continue;
    if (auto cable = (*open)()) return ResetCable(std::move(cable));
  }
  return false;
}

bool JtagExecute(uint8_t* receiveBuffer, uint32_t capturedBits, bool checkEmpty) {
  if (!g_cable) return false;
  CommandBuffer& buffer = JtagCommandBuffer();
  if (!g_cable->Write(buffer.data.get(), buffer.count, LastTransferCount)) return false;
  if (LastTransferCount != buffer.count) return false;
  JtagClearCommandBuffer();

  if (capturedBits != 0 && receiveBuffer != nullptr) {
    const uint32_t length = JtagReplyLength(capturedBits);
    if (!g_cable->Read(receiveBuffer, length, LastTransferCount)) return false;
    if (LastTransferCount != length) return false;
    JtagFoldReply(receiveBuffer, capturedBits);
  }
  if (!checkEmpty) return true;
  g_cable->ReceiveQueueEmpty(LastTransferCount);
  return LastTransferCount == 0;
}

void JtagClose() {
  if (!g_cable) return;
  g_cable->Close();
  g_cable.reset();
}

void JtagFoldReply(uint8_t* buffer, uint32_t bitCount) {
  const uint32_t wholeBytes = (bitCount - 1) / 8;
  uint8_t& last = buffer[wholeBytes];
  for (uint32_t i = 8 * wholeBytes; i < bitCount; ++i) {
    const uint8_t mask = static_cast<uint8_t>(1u << (i % 8));
    if (buffer[wholeBytes + (i - 8 * wholeBytes)] & 1) {
      last |= mask;
    } else {
      last &= static_cast<uint8_t>(~mask);
    }
  }
}
