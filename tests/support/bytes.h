#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "jtag/command_stream.h"

using Bytes = std::vector<uint8_t>;

// "2A 2B 28 29" -> bytes.
inline Bytes ParseHex(const std::string& text) {
  Bytes out;
  std::istringstream in(text);
  std::string word;
  while (in >> word) {
    for (size_t i = 0; i < word.size(); i += 2) {
      out.push_back(static_cast<uint8_t>(std::stoul(word.substr(i, 2), nullptr, 16)));
    }
  }
  return out;
}

inline Bytes Repeat(const std::string& hex, size_t times) {
  const Bytes once = ParseHex(hex);
  Bytes out;
  for (size_t i = 0; i < times; ++i) out.insert(out.end(), once.begin(), once.end());
  return out;
}

inline Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

inline std::string ToHex(const Bytes& bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string s;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i) s += ' ';
    s += digits[bytes[i] >> 4];
    s += digits[bytes[i] & 15];
  }
  return s;
}

inline Bytes QueuedBytes() {
  const CommandBuffer& b = JtagCommandBuffer();
  return Bytes(b.data.get(), b.data.get() + b.count);
}

inline Bytes ResetPreamble() { return Repeat("2F", 64) + Repeat("2A 2B", 5) + ParseHex("28 29"); }
