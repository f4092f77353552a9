#include "jtag/libusb_endpoints.h"

#include <libusb.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <string>

#include "jtag/driver_message.h"

namespace {

constexpr uint8_t DEFAULT_OUT_ENDPOINT = 0x02;
constexpr uint8_t DEFAULT_IN_ENDPOINT = 0x81;
constexpr int INTERFACE = 0;
// FTDI vendor requests, sent best-effort: a Microchip-based cable may stall them.
constexpr uint8_t VENDOR_OUT = 0x40;  // vendor request, to the device, host to device
constexpr uint8_t FTDI_RESET = 0x00;
constexpr uint8_t FTDI_SET_LATENCY = 0x09;
constexpr uint16_t FTDI_PORT_A = 1;
constexpr uint16_t LATENCY_MS = 2;
constexpr unsigned CONTROL_TIMEOUT_MS = 100;
// How long Release waits for cancelled reads to be reported finished.
constexpr int RELEASE_WAIT_MS = 2000;

struct Slot {
  libusb_transfer* transfer = nullptr;
  std::array<uint8_t, EndpointPair::PACKET_BYTES> buffer{};
  int completed = 1;  // also set while no read is in flight
  bool inFlight = false;
};

void LIBUSB_CALL OnReadDone(libusb_transfer* transfer) {
  auto* slot = static_cast<Slot*>(transfer->user_data);
  slot->inFlight = false;
  slot->completed = 1;
}

class LibusbEndpoints final : public EndpointPair {
 public:
  LibusbEndpoints(libusb_context* context, libusb_device_handle* handle, uint8_t out, uint8_t in)
      : context_(context), handle_(handle), out_(out), in_(in) {
    for (Slot& slot : slots_) slot.transfer = libusb_alloc_transfer(0);
  }

  ~LibusbEndpoints() override { Release(); }

  void SubmitRead(int index) override {
    Slot& slot = slots_[index];
    libusb_fill_bulk_transfer(slot.transfer, handle_, in_, slot.buffer.data(), PACKET_BYTES, OnReadDone, &slot, 0);
    slot.completed = 0;
    slot.inFlight = libusb_submit_transfer(slot.transfer) == 0;
    // A read that cannot be issued (the device is gone) never completes.
  }

  bool WaitRead(int index, uint32_t timeoutMs) override {
    Slot& slot = slots_[index];
    if (slot.completed) return true;
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + milliseconds(timeoutMs);
    do {
      const auto left = duration_cast<microseconds>(deadline - steady_clock::now());
      timeval tv{0, 0};
      if (left.count() > 0) {
        tv.tv_sec = static_cast<time_t>(left.count() / 1000000);
        tv.tv_usec = static_cast<suseconds_t>(left.count() % 1000000);
      }
      libusb_handle_events_timeout_completed(context_, &tv, &slot.completed);
    } while (!slot.completed && steady_clock::now() < deadline);
    return slot.completed && !slot.inFlight;
  }

  uint32_t ReadLength(int index) const override {
    return static_cast<uint32_t>(slots_[index].transfer->actual_length);
  }
  const uint8_t* ReadData(int index) const override { return slots_[index].buffer.data(); }

  bool Write(const uint8_t* bytes, uint32_t count, uint32_t timeoutMs, uint32_t& written) override {
    written = 0;
    if (count == 0) return true;
    int transferred = 0;
    const int result = libusb_bulk_transfer(handle_, out_, const_cast<uint8_t*>(bytes), static_cast<int>(count),
                                            &transferred, timeoutMs);
    if (result != 0 && result != LIBUSB_ERROR_TIMEOUT) {
      std::printf("Error: %d", result);
      std::fflush(stdout);
    }
    if (result != 0) return false;
    written = static_cast<uint32_t>(transferred);
    return true;
  }

  void CancelReads() override {
    for (Slot& slot : slots_) {
      if (slot.inFlight) libusb_cancel_transfer(slot.transfer);
    }
  }

  void Release() override {
    if (!handle_) return;
    CancelReads();
    // A cancelled transfer's buffer stays ours until libusb reports it done.
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + milliseconds(RELEASE_WAIT_MS);
    while (AnyInFlight() && steady_clock::now() < deadline) {
      timeval tv{0, 10000};
      libusb_handle_events_timeout(context_, &tv);
    }
    const bool leak = AnyInFlight();  // never freed under libusb's feet
    for (Slot& slot : slots_) {
      if (!leak) libusb_free_transfer(slot.transfer);
      slot.transfer = nullptr;
    }
    libusb_release_interface(handle_, INTERFACE);
    libusb_close(handle_);
    handle_ = nullptr;
    if (!leak) libusb_exit(context_);
    context_ = nullptr;
  }

 private:
  bool AnyInFlight() const {
    for (const Slot& slot : slots_) {
      if (slot.inFlight) return true;
    }
    return false;
  }

  libusb_context* context_;
  libusb_device_handle* handle_;
  uint8_t out_;
  uint8_t in_;
  std::array<Slot, SLOTS> slots_;
};

// The bulk endpoints of interface 0, or the cable's usual 0x02/0x81.
void FindEndpoints(libusb_device* device, uint8_t& out, uint8_t& in) {
  out = DEFAULT_OUT_ENDPOINT;
  in = DEFAULT_IN_ENDPOINT;
  libusb_config_descriptor* config = nullptr;
  if (libusb_get_active_config_descriptor(device, &config) != 0 &&
      libusb_get_config_descriptor(device, 0, &config) != 0) {
    return;
  }
  if (config->bNumInterfaces > 0 && config->interface[0].num_altsetting > 0) {
    const libusb_interface_descriptor& alt = config->interface[0].altsetting[0];
    bool haveOut = false, haveIn = false;
    for (int i = 0; i < alt.bNumEndpoints; ++i) {
      const libusb_endpoint_descriptor& ep = alt.endpoint[i];
      if ((ep.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) != LIBUSB_TRANSFER_TYPE_BULK) continue;
      if ((ep.bEndpointAddress & LIBUSB_ENDPOINT_DIR_MASK) == LIBUSB_ENDPOINT_IN) {
        if (!haveIn) in = ep.bEndpointAddress;
        haveIn = true;
      } else {
        if (!haveOut) out = ep.bEndpointAddress;
        haveOut = true;
      }
    }
  }
  libusb_free_config_descriptor(config);
}

libusb_device* FindBlaster(libusb_device** list, ssize_t count) {
  for (ssize_t i = 0; i < count; ++i) {
    libusb_device_descriptor descriptor{};
    if (libusb_get_device_descriptor(list[i], &descriptor) != 0) continue;
    if (descriptor.idVendor == BLASTER_VENDOR_ID && descriptor.idProduct == BLASTER_PRODUCT_ID) return list[i];
  }
  return nullptr;
}

}  // namespace

std::unique_ptr<EndpointPair> OpenLibusbEndpoints() {
  libusb_context* context = nullptr;
  if (libusb_init(&context) != 0) return nullptr;
  libusb_device** list = nullptr;
  const ssize_t count = libusb_get_device_list(context, &list);
  libusb_device* device = count > 0 ? FindBlaster(list, count) : nullptr;
  libusb_device_handle* handle = nullptr;
  int opened = LIBUSB_ERROR_NO_DEVICE;
  uint8_t out = DEFAULT_OUT_ENDPOINT, in = DEFAULT_IN_ENDPOINT;
  if (device) {
    opened = libusb_open(device, &handle);
    if (opened == LIBUSB_ERROR_ACCESS) {
      char text[320];
      std::snprintf(text, sizeof text,
                    "A USB-Blaster (USB 09FB:6001, bus %03u device %03u) is attached, but this user may not "
                    "open it.\nInstall the rule file 60-tollvane-usb-blaster.rules into /etc/udev/rules.d/, "
                    "then re-plug the cable.",
                    libusb_get_bus_number(device), libusb_get_device_address(device));
      ShowDriverMessage(text);
    }
    if (opened == 0) FindEndpoints(device, out, in);
  }
  if (count >= 0) libusb_free_device_list(list, 1);
  if (opened != 0) {
    libusb_exit(context);
    return nullptr;
  }
  libusb_set_auto_detach_kernel_driver(handle, 1);
  if (libusb_claim_interface(handle, INTERFACE) != 0) {
    libusb_close(handle);
    libusb_exit(context);
    return nullptr;
  }
  // Some clones send nothing before a reset; a genuine FT245 holds short
  // replies for its latency timer (16 ms by default) unless told otherwise.
  libusb_control_transfer(handle, VENDOR_OUT, FTDI_RESET, 0, FTDI_PORT_A, nullptr, 0, CONTROL_TIMEOUT_MS);
  libusb_control_transfer(handle, VENDOR_OUT, FTDI_SET_LATENCY, LATENCY_MS, FTDI_PORT_A, nullptr, 0,
                          CONTROL_TIMEOUT_MS);
  return std::make_unique<LibusbEndpoints>(context, handle, out, in);
}
