// The libusb backend of the endpoint transport against a fake 09FB:6001
// device in a umockdev test bed. The usbfs ioctls are answered here: bulk OUT
// data goes to the simulated board, and every IN packet starts with two
// status bytes, status-only while the board has nothing to send, as an FTDI
// cable does. Runs under umockdev-wrapper.
#include <gtest/gtest.h>
#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <umockdev.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "device/device_commands.h"
#include "device/device_operation.h"
#include "device/target_device.h"
#include "jedec_generator.h"
#include "jtag/cable_link.h"
#include "jtag/command_stream.h"
#include "jtag/driver_message.h"
#include "jtag/endpoint_cable.h"
#include "sim_board.h"
#include "support/recording_window.h"
#include "support/temp_file.h"

namespace {

constexpr const char* DEVNODE = "/dev/bus/usb/001/002";

// Device descriptor, then one configuration with interface 0 (vendor class)
// and the bulk endpoints 0x81 (IN) and 0x02 (OUT), 64 bytes each.
constexpr const char* DESCRIPTORS =
    "1201000200000040fb09016000040102030109022000010100803209040000"
    "02ffffff000705810240000107050202400001";

struct VendorRequest {
  uint8_t type, request;
  uint16_t value, index;
};

// The fake cable: state shared with the ioctl handler's thread.
struct FakeBlaster {
  std::mutex mutex;
  SimBoard board;
  std::unique_ptr<CableTransport> wire = board.Opener()();  // the board's side of the USB link
  std::deque<UMockdevIoctlData*> inFlightIn;  // IN URBs waiting for a packet, oldest first
  std::deque<UMockdevIoctlData*> done;        // completed OUT and control URBs
  std::deque<UMockdevIoctlData*> discarded;
  std::vector<VendorRequest> vendorRequests;
  std::vector<std::vector<uint8_t>> writes;
  int claims = 0;
  int inSubmits = 0;
  bool silent = false;  // the cable stops sending packets
  // An idle FT245 sends a status-only packet once per latency period.
  std::chrono::steady_clock::time_point nextStatusOnly{};
  bool gone = false;    // unplugged: every request fails with ENODEV
};

gboolean HandleIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer userData) {
  auto& fake = *static_cast<FakeBlaster*>(userData);
  std::lock_guard lock(fake.mutex);
  const gulong request = umockdev_ioctl_client_get_request(client);
  UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
  auto fail = [client](int error) {
    umockdev_ioctl_client_complete(client, -1, error);
    return TRUE;
  };
  auto ok = [client] {
    umockdev_ioctl_client_complete(client, 0, 0);
    return TRUE;
  };

  switch (request) {
    case USBDEVFS_GET_CAPABILITIES: {
      UMockdevIoctlData* caps = umockdev_ioctl_data_resolve(arg, 0, sizeof(guint32), nullptr);
      *reinterpret_cast<guint32*>(caps->data) = USBDEVFS_CAP_BULK_CONTINUATION | USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
                                                USBDEVFS_CAP_REAP_AFTER_DISCONNECT | USBDEVFS_CAP_ZERO_PACKET;
      umockdev_ioctl_data_unref(caps);
      return ok();
    }
    case USBDEVFS_CLAIMINTERFACE:
    case USBDEVFS_DISCONNECT_CLAIM:
      if (fake.gone) return fail(ENODEV);
      ++fake.claims;
      return ok();
    case USBDEVFS_RELEASEINTERFACE:
    case USBDEVFS_IOCTL:
      return ok();
    case USBDEVFS_GETDRIVER:
      return fail(ENODATA);

    case USBDEVFS_SUBMITURB: {
      if (fake.gone) return fail(ENODEV);
      UMockdevIoctlData* urbData = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
      auto* urb = reinterpret_cast<usbdevfs_urb*>(urbData->data);
      UMockdevIoctlData* buffer = umockdev_ioctl_data_resolve(
          urbData, G_STRUCT_OFFSET(usbdevfs_urb, buffer), static_cast<gsize>(urb->buffer_length), nullptr);
      const auto* bytes = reinterpret_cast<const uint8_t*>(buffer->data);
      if (urb->type == USBDEVFS_URB_TYPE_CONTROL) {
        fake.vendorRequests.push_back({bytes[0], bytes[1], static_cast<uint16_t>(bytes[2] | bytes[3] << 8),
                                       static_cast<uint16_t>(bytes[4] | bytes[5] << 8)});
        urb->actual_length = 0;
        urb->status = 0;
        fake.done.push_back(urbData);
      } else if (urb->endpoint & 0x80) {
        ++fake.inSubmits;
        fake.inFlightIn.push_back(urbData);
      } else {
        fake.writes.emplace_back(bytes, bytes + urb->buffer_length);
        uint32_t written = 0;
        fake.wire->Write(bytes, static_cast<uint32_t>(urb->buffer_length), written);
        urb->actual_length = static_cast<int>(written);
        urb->status = 0;
        fake.done.push_back(urbData);
      }
      umockdev_ioctl_data_unref(buffer);
      return ok();
    }

    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY: {
      UMockdevIoctlData* urbData = nullptr;
      if (!fake.discarded.empty()) {
        urbData = fake.discarded.front();
        fake.discarded.pop_front();
        reinterpret_cast<usbdevfs_urb*>(urbData->data)->status = -ENOENT;
      } else if (!fake.done.empty()) {
        urbData = fake.done.front();
        fake.done.pop_front();
      } else if (!fake.inFlightIn.empty() && !fake.silent && !fake.gone &&
                 (fake.board.RepliesWaiting() > 0 || std::chrono::steady_clock::now() >= fake.nextStatusOnly)) {
        urbData = fake.inFlightIn.front();
        fake.inFlightIn.pop_front();
        auto* urb = reinterpret_cast<usbdevfs_urb*>(urbData->data);
        uint8_t packet[64] = {0x31, 0x60};
        uint32_t payload = std::min(62u, fake.board.RepliesWaiting());
        if (payload) {
          fake.wire->Read(packet + 2, payload, payload);
        } else {
          fake.nextStatusOnly = std::chrono::steady_clock::now() + std::chrono::milliseconds(2);
        }
        std::memcpy(urb->buffer, packet, 2 + payload);  // same address space
        urb->actual_length = static_cast<int>(2 + payload);
        urb->status = 0;
      } else {
        return fail(fake.gone ? ENODEV : EAGAIN);
      }
      UMockdevIoctlData* pointer = umockdev_ioctl_data_resolve(arg, 0, sizeof(gpointer), nullptr);
      umockdev_ioctl_data_set_ptr(pointer, 0, urbData);
      umockdev_ioctl_data_unref(pointer);
      umockdev_ioctl_data_unref(urbData);
      return ok();
    }

    case USBDEVFS_DISCARDURB: {
      const gulong address = reinterpret_cast<gulong>(*reinterpret_cast<void**>(arg->data));
      auto it = std::find_if(fake.inFlightIn.begin(), fake.inFlightIn.end(),
                             [address](UMockdevIoctlData* d) { return d->client_addr == address; });
      if (it == fake.inFlightIn.end()) return fail(EINVAL);
      fake.discarded.push_back(*it);
      fake.inFlightIn.erase(it);
      return ok();
    }
    default:
      return FALSE;
  }
}

bool InMockEnvironment() {
  const char* preload = std::getenv("LD_PRELOAD");
  return preload && std::strstr(preload, "libumockdev-preload");
}

class LibusbUmockdevTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(InMockEnvironment()) << "run under umockdev-wrapper";
    testbed_ = umockdev_testbed_new();
    handler_ = umockdev_ioctl_base_new();
    g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(HandleIoctl), &fake_);
    ASSERT_TRUE(umockdev_testbed_attach_ioctl(testbed_, DEVNODE, handler_, nullptr));
    AddDevice("09fb", "6001");
    SetDriverMessageHandler([this](const std::string& text) { messages_.push_back(text); });
    JtagResetEngineForTesting();
  }
  void TearDown() override {
    JtagClose();
    JtagSetCableDrivers(JtagDefaultCableDrivers());
    SetDriverMessageHandler(nullptr);
    if (handler_) g_object_unref(handler_);
    if (testbed_) g_object_unref(testbed_);
  }

  void AddDevice(const char* vendor, const char* product) {
    std::ostringstream record;
    record << "P: /devices/pci0000:00/usb1/1-1\n"
           << "N: bus/usb/001/002\n"
           << "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb\n"
           << "E: BUSNUM=001\nE: DEVNUM=002\nE: DEVNAME=" << DEVNODE << "\n"
           << "E: ID_VENDOR_ID=" << vendor << "\nE: ID_MODEL_ID=" << product << "\n"
           << "A: idVendor=" << vendor << "\\n\nA: idProduct=" << product << "\\n\n"
           << "A: busnum=1\\n\nA: devnum=2\\n\nA: speed=12\\n\nA: bConfigurationValue=1\\n\n"
           << "H: descriptors=" << DESCRIPTORS << "\n";
    std::string text = record.str();
    if (std::string(vendor) != "09fb") {
      // Another device: patch the vendor id inside the descriptor too.
      text.replace(text.find("fb09016000"), 10, "6b1d010200");
    }
    GError* error = nullptr;
    ASSERT_TRUE(umockdev_testbed_add_from_string(testbed_, text.c_str(), &error)) << (error ? error->message : "");
  }

  FakeBlaster fake_;
  UMockdevTestbed* testbed_ = nullptr;
  UMockdevIoctlBase* handler_ = nullptr;
  std::vector<std::string> messages_;
};

TEST_F(LibusbUmockdevTest, OpenClaimsAndSetsUpTheCable) {
  auto cable = OpenEndpointCable();
  ASSERT_TRUE(cable);
  {
    std::lock_guard lock(fake_.mutex);
    EXPECT_EQ(fake_.claims, 1);
    EXPECT_EQ(fake_.inSubmits, 20) << "twenty reads pending";
    ASSERT_EQ(fake_.vendorRequests.size(), 2u);
    EXPECT_EQ(fake_.vendorRequests[0].type, 0x40);
    EXPECT_EQ(fake_.vendorRequests[0].request, 0x00);  // reset
    EXPECT_EQ(fake_.vendorRequests[0].index, 1);
    EXPECT_EQ(fake_.vendorRequests[1].request, 0x09);  // latency timer
    EXPECT_EQ(fake_.vendorRequests[1].value, 2);
  }
  cable->Close();
  EXPECT_TRUE(messages_.empty());
}

TEST_F(LibusbUmockdevTest, IdcodeAndStatusThroughTheRing) {
  JtagSetCableDrivers({OpenEndpointCable, [] { return nullptr; }});
  ASSERT_TRUE(JtagOpen());
  RecordingWindow window;
  VirtualClock clock;
  DeviceOperation op(window, clock);
  EXPECT_EQ(op.ReadIdcode(), target::DEVICE_IDCODE);
  op.EnterConfigMode();
  JtagClose();
  EXPECT_TRUE(messages_.empty()) << messages_.front();
  std::lock_guard lock(fake_.mutex);
  EXPECT_TRUE(fake_.board.Violations().empty()) << fake_.board.Violations().front();
  EXPECT_TRUE(fake_.board.Target().ConfigMode());
  ASSERT_FALSE(fake_.writes.empty());
  EXPECT_EQ(fake_.writes[0].size(), 76u) << "the reset preamble in one bulk write";
  EXPECT_TRUE(fake_.inFlightIn.empty()) << "close waited for every read";
}

TEST_F(LibusbUmockdevTest, FullProgramAndVerify) {
  TempDir dir;
  const auto file = dir.Write("example.jed", ExampleJedecText());
  JtagSetCableDrivers({OpenEndpointCable, [] { return nullptr; }});
  RecordingWindow window;
  VirtualClock clock;
  EXPECT_EQ(ProgramDevice(window, clock, file), CommandOutcome::Success) << window.status;
  std::lock_guard lock(fake_.mutex);
  EXPECT_TRUE(fake_.board.Violations().empty()) << fake_.board.Violations().front();
  EXPECT_EQ(fake_.board.Target().RowsRead(), target::ROW_COUNT);
}

TEST_F(LibusbUmockdevTest, CloseOnASilentCableCancelsAndReports) {
  auto cable = OpenEndpointCable();
  ASSERT_TRUE(cable);
  {
    std::lock_guard lock(fake_.mutex);
    fake_.silent = true;
  }
  cable->Close();
  EXPECT_EQ(messages_, std::vector<std::string>{"Close failed!!\nPlease re-insert USB-Blaster."});
  std::lock_guard lock(fake_.mutex);
  EXPECT_TRUE(fake_.inFlightIn.empty()) << "every read was cancelled and reaped before release";
  EXPECT_TRUE(fake_.discarded.empty());
}

TEST_F(LibusbUmockdevTest, UnpluggedCableFailsTheCommand) {
  JtagSetCableDrivers({OpenEndpointCable, [] { return nullptr; }});
  ASSERT_TRUE(JtagOpen());
  {
    std::lock_guard lock(fake_.mutex);
    fake_.gone = true;
  }
  RecordingWindow window;
  VirtualClock clock;
  DeviceOperation op(window, clock);
  EXPECT_THROW(op.ReadIdcode(), std::exception);
  JtagClose();
}

TEST_F(LibusbUmockdevTest, PermissionDeniedNamesTheRuleFile) {
  // Root opens anything; a child process that is not root meets the permissions.
  const std::filesystem::path root = umockdev_testbed_get_root_dir(testbed_);
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    chmod(entry.path().c_str(), entry.is_directory() ? 0755 : 0666);  // sockets need write access
  }
  chmod(root.c_str(), 0777);  // the udev monitor emulation makes its socket here
  chmod((root / "dev/bus/usb/001/002").c_str(), 0600);
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  const pid_t child = fork();
  if (child == 0) {
    close(pipeEnds[0]);
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
    std::string said;
    SetDriverMessageHandler([&](const std::string& text) { said += text; });
    const bool opened = OpenEndpointCable() != nullptr;
    if (write(pipeEnds[1], said.data(), said.size()) < 0) _exit(4);
    _exit(opened ? 1 : 0);
  }
  close(pipeEnds[1]);
  std::string said;
  char chunk[512];
  for (ssize_t n; (n = read(pipeEnds[0], chunk, sizeof chunk)) > 0;) said.append(chunk, static_cast<size_t>(n));
  close(pipeEnds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "no cable when it may not be opened";
  EXPECT_NE(said.find("USB 09FB:6001, bus 001 device 002"), std::string::npos) << said;
  EXPECT_NE(said.find("60-tollvane-usb-blaster.rules"), std::string::npos) << said;
}

TEST(LibusbUmockdevSelection, ADeviceWithOtherIdsIsNeverOpened) {
  ASSERT_TRUE(InMockEnvironment()) << "run under umockdev-wrapper";
  UMockdevTestbed* testbed = umockdev_testbed_new();
  GError* error = nullptr;
  ASSERT_TRUE(umockdev_testbed_add_from_string(
      testbed,
      "P: /devices/pci0000:00/usb1/1-1\nN: bus/usb/001/002\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\n"
      "E: BUSNUM=001\nE: DEVNUM=002\nA: idVendor=1d6b\\n\nA: idProduct=0002\\n\nA: busnum=1\\n\n"
      "A: devnum=2\\n\nA: speed=480\\n\nA: bConfigurationValue=1\\n\n"
      "H: descriptors=12010002090001406b1d020000060302010109021900010100e0000904000001090000000705810304000c\n",
      &error));
  int ftdiOpens = 0;
  JtagSetCableDrivers({OpenEndpointCable, [&]() -> std::unique_ptr<CableTransport> {
                         ++ftdiOpens;
                         return nullptr;
                       }});
  EXPECT_FALSE(JtagOpen());
  EXPECT_EQ(ftdiOpens, 1) << "no 09FB:6001 device: the FTDI transport is tried";
  JtagSetCableDrivers(JtagDefaultCableDrivers());
  g_object_unref(testbed);
}

}  // namespace
