#include "jtag/driver_message.h"

#include <cstdio>

namespace {
DriverMessageHandler g_handler;
}

void SetDriverMessageHandler(DriverMessageHandler handler) { g_handler = std::move(handler); }

void ShowDriverMessage(const std::string& text) {
  if (g_handler) {
    g_handler(text);
  } else {
    std::fprintf(stderr, "%s\n", text.c_str());
  }
}
