#include "jtag/ftdi_cable.h"

#include <dlfcn.h>

#include <cstdint>

#include "jtag/driver_message.h"

namespace {

// Our own declarations of the D2XX calls we use. On Linux the library's
// DWORD is 32 bits; FT_STATUS 0 is FT_OK.
using FT_HANDLE = void*;
using FT_STATUS = uint32_t;
using DWORD = uint32_t;

constexpr DWORD FT_OPEN_BY_DESCRIPTION = 2;
constexpr DWORD FT_PURGE_RX_TX = 3;
constexpr DWORD TIMEOUT_MS = 1000;
constexpr uint8_t LATENCY_MS = 2;
constexpr DWORD BLASTER_VID = 0x09FB;
constexpr DWORD BLASTER_PID = 0x6001;

struct D2xx {
  FT_STATUS (*OpenEx)(void* arg, DWORD flags, FT_HANDLE* handle);
  FT_STATUS (*SetTimeouts)(FT_HANDLE, DWORD readMs, DWORD writeMs);
  FT_STATUS (*Write)(FT_HANDLE, void* buffer, DWORD count, DWORD* written);
  FT_STATUS (*Read)(FT_HANDLE, void* buffer, DWORD count, DWORD* read);
  FT_STATUS (*Purge)(FT_HANDLE, DWORD mask);
  FT_STATUS (*GetStatus)(FT_HANDLE, DWORD* rxQueue, DWORD* txQueue, DWORD* events);
  FT_STATUS (*Close)(FT_HANDLE);
  // Optional: present in the Linux library, absent in some builds.
  FT_STATUS (*SetVIDPID)(DWORD vid, DWORD pid);
  FT_STATUS (*SetLatencyTimer)(FT_HANDLE, uint8_t ms);
};

const std::vector<std::string> kDefaultLibraries = {"libftd2xx.so", "libftd2xx.so.1"};
std::vector<std::string> g_libraryNames = kDefaultLibraries;
void* g_library = nullptr;
D2xx g_d2xx{};

template <typename Fn>
bool Bind(void* library, const char* name, Fn& fn) {
  fn = reinterpret_cast<Fn>(dlsym(library, name));
  return fn != nullptr;
}

const D2xx* LoadD2xx() {
  if (g_library) return &g_d2xx;
  void* library = nullptr;
  for (const std::string& name : g_libraryNames) {
    if ((library = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL))) break;
  }
  if (!library) return nullptr;
  D2xx d2xx{};
  const bool complete = Bind(library, "FT_OpenEx", d2xx.OpenEx) &&
                        Bind(library, "FT_SetTimeouts", d2xx.SetTimeouts) &&
                        Bind(library, "FT_Write", d2xx.Write) && Bind(library, "FT_Read", d2xx.Read) &&
                        Bind(library, "FT_Purge", d2xx.Purge) &&
                        Bind(library, "FT_GetStatus", d2xx.GetStatus) &&
                        Bind(library, "FT_Close", d2xx.Close);
  if (!complete) {
    dlclose(library);
    return nullptr;
  }
  Bind(library, "FT_SetVIDPID", d2xx.SetVIDPID);
  Bind(library, "FT_SetLatencyTimer", d2xx.SetLatencyTimer);
  g_library = library;
  g_d2xx = d2xx;
  return &g_d2xx;
}

class FtdiCable final : public CableTransport {
 public:
  FtdiCable(const D2xx& d2xx, FT_HANDLE handle) : d2xx_(d2xx), handle_(handle) {}

  bool Write(const uint8_t* bytes, uint32_t count, uint32_t& written) override {
    written = 0;
    return d2xx_.Write(handle_, const_cast<uint8_t*>(bytes), count, &written) == 0;
  }
  bool Read(uint8_t* buffer, uint32_t length, uint32_t& delivered) override {
    delivered = 0;
    return d2xx_.Read(handle_, buffer, length, &delivered) == 0;
  }
  void Purge() override { d2xx_.Purge(handle_, FT_PURGE_RX_TX); }
  void ReceiveQueueEmpty(uint32_t& waiting) override {
    DWORD txQueue = 0;
    DWORD events = 0;
    waiting = 0;
    d2xx_.GetStatus(handle_, &waiting, &txQueue, &events);
  }
  void Close() override { d2xx_.Close(handle_); }

 private:
  const D2xx d2xx_;  // a copy: tests may unload the library between runs
  FT_HANDLE handle_;
};

}  // namespace

std::unique_ptr<CableTransport> OpenFtdiCable() {
  const D2xx* d2xx = LoadD2xx();
  if (!d2xx) {
    ShowDriverMessage("Could not load FTD2XX.DLL");
    return nullptr;
  }
  // The Linux library matches only FTDI's own vendor id unless told otherwise.
  if (d2xx->SetVIDPID) d2xx->SetVIDPID(BLASTER_VID, BLASTER_PID);
  char description[] = "USB-Blaster";
  FT_HANDLE handle = nullptr;
  if (d2xx->OpenEx(description, FT_OPEN_BY_DESCRIPTION, &handle) != 0) return nullptr;
  d2xx->SetTimeouts(handle, TIMEOUT_MS, TIMEOUT_MS);
  // A genuine FT245 holds short replies for its latency timer (16 ms by
  // default); every ready poll would pay for it.
  if (d2xx->SetLatencyTimer) d2xx->SetLatencyTimer(handle, LATENCY_MS);
  return std::make_unique<FtdiCable>(*d2xx, handle);
}

void FtdiUseLibrariesForTesting(std::vector<std::string> names) {
  if (g_library) dlclose(g_library);
  g_library = nullptr;
  g_d2xx = {};
  g_libraryNames = names.empty() ? kDefaultLibraries : std::move(names);
}
