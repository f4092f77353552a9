#pragma once

#include <stdexcept>
#include <string>

// The one exception a device command catches: its what() is the exact text
// the status line shows ("JTAG cable error.", "jtag : state error!\n", ...).
class CommandFailure : public std::runtime_error {
 public:
  explicit CommandFailure(const std::string& message) : std::runtime_error(message) {}
};
