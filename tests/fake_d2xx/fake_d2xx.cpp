// A stand-in for FTDI's D2XX library, loaded by the production dlopen path.
// Its FT_* calls go to a CableTransport the test attaches (a scripted cable or
// the simulated board) and are logged for the test to inspect.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "jtag/cable_transport.h"

namespace {

CableTransport* g_cable = nullptr;
std::string g_log;
std::string g_failing;  // name of the call that fails, if any
int g_handle = 0;

void Log(const std::string& line) { g_log += line + "\n"; }

std::string Hex(const uint8_t* bytes, uint32_t count) {
  static const char* digits = "0123456789abcdef";
  std::string s;
  for (uint32_t i = 0; i < count; ++i) {
    s += digits[bytes[i] >> 4];
    s += digits[bytes[i] & 15];
  }
  return s;
}

bool Fails(const char* call) { return g_failing == call; }

}  // namespace

#define EXPORT extern "C" __attribute__((visibility("default")))

EXPORT void FakeD2xxAttach(CableTransport* cable) { g_cable = cable; }
EXPORT const char* FakeD2xxLog() { return g_log.c_str(); }
EXPORT void FakeD2xxReset() {
  g_log.clear();
  g_failing.clear();
  g_cable = nullptr;
}
EXPORT void FakeD2xxFail(const char* call) { g_failing = call; }

EXPORT uint32_t FT_OpenEx(void* arg, uint32_t flags, void** handle) {
  Log("FT_OpenEx " + std::string(static_cast<const char*>(arg)) + " " + std::to_string(flags));
  if (!g_cable || Fails("FT_OpenEx")) return 2;  // device not found
  *handle = &g_handle;
  return 0;
}

EXPORT uint32_t FT_SetTimeouts(void*, uint32_t readMs, uint32_t writeMs) {
  Log("FT_SetTimeouts " + std::to_string(readMs) + " " + std::to_string(writeMs));
  return 0;
}

EXPORT uint32_t FT_Write(void*, void* buffer, uint32_t count, uint32_t* written) {
  Log("FT_Write " + Hex(static_cast<const uint8_t*>(buffer), count));
  if (Fails("FT_Write")) {
    *written = 0;
    return 4;  // I/O error
  }
  return g_cable->Write(static_cast<const uint8_t*>(buffer), count, *written) ? 0 : 4;
}

EXPORT uint32_t FT_Read(void*, void* buffer, uint32_t count, uint32_t* read) {
  Log("FT_Read " + std::to_string(count));
  return g_cable->Read(static_cast<uint8_t*>(buffer), count, *read) ? 0 : 4;
}

EXPORT uint32_t FT_Purge(void*, uint32_t mask) {
  Log("FT_Purge " + std::to_string(mask));
  g_cable->Purge();
  return 0;
}

EXPORT uint32_t FT_GetStatus(void*, uint32_t* rxQueue, uint32_t* txQueue, uint32_t* events) {
  Log("FT_GetStatus");
  g_cable->ReceiveQueueEmpty(*rxQueue);
  *txQueue = 0;
  *events = 0;
  return 0;
}

#ifndef FAKE_D2XX_WITHOUT_CLOSE
EXPORT uint32_t FT_Close(void*) {
  Log("FT_Close");
  g_cable->Close();
  return 0;
}
#endif

#ifndef FAKE_D2XX_WITHOUT_EXTRAS
EXPORT uint32_t FT_SetVIDPID(uint32_t vid, uint32_t pid) {
  char line[64];
  std::snprintf(line, sizeof line, "FT_SetVIDPID %04x %04x", vid, pid);
  Log(line);
  return 0;
}

EXPORT uint32_t FT_SetLatencyTimer(void*, uint8_t ms) {
  Log("FT_SetLatencyTimer " + std::to_string(ms));
  return 0;
}
#endif
