#pragma once

#include <dlfcn.h>

#include <stdexcept>
#include <string>

#include "jtag/cable_transport.h"
#include "jtag/ftdi_cable.h"

// Points the production D2XX loader at one of the test libraries and gives
// the test the library's control calls.
class FakeD2xxLibrary {
 public:
  explicit FakeD2xxLibrary(const std::string& path) {
    FtdiUseLibrariesForTesting({path});
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) throw std::runtime_error(dlerror());
    attach_ = reinterpret_cast<void (*)(CableTransport*)>(dlsym(handle_, "FakeD2xxAttach"));
    log_ = reinterpret_cast<const char* (*)()>(dlsym(handle_, "FakeD2xxLog"));
    reset_ = reinterpret_cast<void (*)()>(dlsym(handle_, "FakeD2xxReset"));
    fail_ = reinterpret_cast<void (*)(const char*)>(dlsym(handle_, "FakeD2xxFail"));
    reset_();
  }
  ~FakeD2xxLibrary() {
    reset_();
    FtdiUseLibrariesForTesting({});
    dlclose(handle_);
  }
  FakeD2xxLibrary(const FakeD2xxLibrary&) = delete;
  FakeD2xxLibrary& operator=(const FakeD2xxLibrary&) = delete;

  void Attach(CableTransport* cable) { attach_(cable); }
  std::string Log() const { return log_(); }
  void Fail(const char* call) { fail_(call); }

 private:
  void* handle_;
  void (*attach_)(CableTransport*);
  const char* (*log_)();
  void (*reset_)();
  void (*fail_)(const char*);
};
