#include "fuse/jedec_parser.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

constexpr char STX = 0x02;
constexpr char ETX = 0x03;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A decimal as strtol reads it, clamped to the signed 32-bit range.
int32_t Decimal(const char* s) {
  while (IsBlank(*s)) ++s;
  bool negative = false;
  if (*s == '+' || *s == '-') negative = *s++ == '-';
  int64_t value = 0;
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  for (; IsDigit(*s); ++s) {
    if (value <= kLimit) value = value * 10 + (*s - '0');
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

// A "%8X" conversion: blanks skipped, then at most 8 characters (sign and
// "0x" included) form the number. False when no hex digit is there.
bool Hex8(const char* s, uint32_t& out) {
  while (IsBlank(*s)) ++s;
  int width = 8;
  bool negative = false;
  if (*s == '+' || *s == '-') {
    negative = *s++ == '-';
    --width;
  }
  bool digits = false;
  if (width >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X') && HexDigit(s[2]) >= 0) {
    s += 2;
    width -= 2;
  }
  uint32_t value = 0;
  for (; width > 0 && HexDigit(*s) >= 0; --width, ++s) {
    value = value * 16 + static_cast<uint32_t>(HexDigit(*s));
    digits = true;
  }
  if (!digits) return false;
  out = negative ? 0u - value : value;
  return true;
}

// Eight characters read as a little-endian word: all of them "0" or "1"?
static_assert(std::endian::native == std::endian::little);
bool IsEightFuseDigits(uint64_t word) { return (word & 0xFEFEFEFEFEFEFEFEull) == 0x3030303030303030ull; }

// Bit 0 of each character, the first character to bit 0 of the byte.
uint8_t PackFuseDigits(uint64_t word) {
  return static_cast<uint8_t>(((word & 0x0101010101010101ull) * 0x0102040810204080ull) >> 56);
}

class Parser {
 public:
  Parser(const char* text, size_t length) : text_(text), length_(length) {}

  std::variant<JedecImage, JedecParseError> Run() {
    if (text_[0] != STX) return JedecParseError::NotJedec;
    size_t p = 1;
    while (p < length_) {
      const char c = text_[p];
      if (IsBlank(c) || c == '*') {
        ++p;
      } else if (c == ETX) {
        break;
      } else if (c == 'F') {
        image_.defaultFuse = Decimal(text_ + p + 1);
        p = SkipValue(p + 1);
      } else if (c == 'Q' && (text_[p + 1] == 'F' || text_[p + 1] == 'P')) {
        const int32_t value = Decimal(text_ + p + 2);
        if (text_[p + 1] == 'F') image_.fuseCount = value;
        p = SkipValue(p + 2);
      } else if (c == 'U') {
        // The form letter after "U" is not looked at.
        if (text_[p + 1] != '\0') Hex8(text_ + p + 2, image_.userCode);
        p = Skip(p);
      } else if (c == 'C') {
        uint32_t sum = 0;
        if (Hex8(text_ + p + 1, sum)) image_.fileFuseChecksum = static_cast<uint16_t>(sum);
        p = Skip(p);
      } else if (c == 'L') {
        if (!FuseList(p)) return JedecParseError::PurseError;
      } else {
        p = Skip(p);
      }
    }
    return std::move(image_);
  }

 private:
  // Skips a field from its value position: on to the character after the
  // next "*" (or NUL). An ETX at the value position ends the scan. Returns a
  // position past the end to stop.
  size_t Skip(size_t valuePos) const {
    if (valuePos >= length_ || text_[valuePos] == ETX) return length_;
    // The text ends in a NUL, so strcspn stops at the next "*" or NUL.
    return valuePos + 1 + std::strcspn(text_ + valuePos + 1, "*") + 1;
  }

  // An empty value ("F*") ends at its own "*" and takes no other field with it.
  size_t SkipValue(size_t valuePos) const {
    if (valuePos < length_ && text_[valuePos] == '*') return valuePos + 1;
    return Skip(valuePos);
  }

  // Advances p past the field; false on a purse error.
  bool FuseList(size_t& p) {
    if (image_.fuseCount == 0 || image_.defaultFuse == -1) return false;
    if (!image_.fuseMap) {
      if (image_.fuseCount < 0) return false;
      const uint64_t bytes = (static_cast<uint64_t>(image_.fuseCount) + 7) / 8;
      image_.fuseMap = FuseMap{std::vector<uint8_t>(bytes, image_.defaultFuse != 0 ? 0xFF : 0x00)};
    }
    FuseMap& map = *image_.fuseMap;
    const int32_t address = Decimal(text_ + p + 1);
    if (address < 0) return false;
    uint64_t a = static_cast<uint64_t>(address);

    size_t q = p + 1;
    while (IsDigit(text_[q])) ++q;
    // One separator between address and data; a field without one has no data.
    if (q < length_ && text_[q] != '*' && text_[q] != '\0') ++q;
    const uint64_t capacity = map.Capacity();
    while (q < length_ && text_[q] != '*' && text_[q] != '\0') {
      // Eight "0"/"1" characters onto a whole byte of the map at once.
      if (a % 8 == 0 && a + 8 <= capacity && q + 8 <= length_) {
        uint64_t word;
        std::memcpy(&word, text_ + q, 8);
        if (IsEightFuseDigits(word)) {
          map.bytes[a / 8] = PackFuseDigits(word);
          a += 8;
          q += 8;
          continue;
        }
      }
      const char c = text_[q++];
      if (c != '0' && c != '1') continue;
      if (a >= capacity) return false;
      map.Set(a++, c == '1');
    }
    if (text_[q - 1] == ETX) {
      p = length_;
    } else {
      p = q + 1;
    }
    return true;
  }

  const char* text_;
  size_t length_;
  JedecImage image_;
};

}  // namespace

std::variant<JedecImage, JedecParseError> ParseJedecText(const char* text, size_t length) {
  return Parser(text, length).Run();
}

uint16_t FuseChecksum(const FuseMap& map, uint64_t fuseCount) {
  const uint64_t fuses = std::min<uint64_t>(fuseCount, map.Capacity());
  uint32_t sum = 0;
  const uint64_t whole = fuses / 8;
  for (uint64_t i = 0; i < whole; ++i) sum += map.bytes[i];
  if (fuses % 8) sum += map.bytes[whole] & ((1u << (fuses % 8)) - 1);
  return static_cast<uint16_t>(sum);
}
