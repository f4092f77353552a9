#pragma once

#include <ostream>

#include "jtag/cable_transport.h"

// Wraps the transports an opener makes so that every write and read is logged
// as one line: "W " and the bytes written, or "R " and the bytes delivered,
// in lowercase hex. A failed call is logged with what it moved.
CableOpener TraceOpener(CableOpener inner, std::ostream& out);
CableDrivers TraceDrivers(const CableDrivers& drivers, std::ostream& out);
