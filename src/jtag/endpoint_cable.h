#pragma once

#include <memory>

#include "jtag/cable_transport.h"

// The USB-Blaster reached directly through its two bulk endpoints (both the
// Microchip-based cable and a genuine FTDI one), tried before D2XX.
std::unique_ptr<CableTransport> OpenEndpointCable();
