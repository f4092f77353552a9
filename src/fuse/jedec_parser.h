#pragma once

#include <cstddef>
#include <variant>

#include "fuse/jedec_image.h"

enum class JedecParseError {
  NotJedec,    // no STX first
  PurseError,  // an "L" field before "QF" and "F", or one that reaches outside the map
};

// Parses a whole file held in memory. text[length] must be a NUL, which no
// scan passes.
std::variant<JedecImage, JedecParseError> ParseJedecText(const char* text, size_t length);
