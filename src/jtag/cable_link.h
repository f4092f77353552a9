#pragma once

#include <cstdint>

#include "jtag/cable_transport.h"

// Bytes moved by the last transport write or read, or the bytes still waiting
// after the receive-queue check.
extern uint32_t LastTransferCount;

// Opens a cable (endpoint transport first, then FTDI) and resets cable and TAP.
bool JtagOpen();
// Sends everything queued in one write and reads the reply of the oldest
// capturing shift not read yet when capturedBits is not 0.
bool JtagExecute(uint8_t* receiveBuffer, uint32_t capturedBits, bool checkEmpty);
void JtagClose();
// Turns the raw reply of a capturing shift into packed bits, in place.
void JtagFoldReply(uint8_t* buffer, uint32_t bitCount);

bool JtagCableIsOpen();

void JtagSetCableDrivers(CableDrivers drivers);
// The endpoint transport over libusb and the FTDI transport over D2XX.
CableDrivers JtagDefaultCableDrivers();
