#pragma once

#include <memory>

#include "jtag/endpoint_pair.h"

inline constexpr uint16_t BLASTER_VENDOR_ID = 0x09FB;
inline constexpr uint16_t BLASTER_PRODUCT_ID = 0x6001;

// Opens the first 09FB:6001 device in libusb's list and claims interface 0.
// None when there is no such device or it cannot be opened; a device this
// user may not open is reported through the driver message.
std::unique_ptr<EndpointPair> OpenLibusbEndpoints();
