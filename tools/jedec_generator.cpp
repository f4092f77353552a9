#include "jedec_generator.h"

#include <cstdio>
#include <random>
#include <sstream>
#include <stdexcept>

FuseMap MakeExampleFuses(const JedecExample& example) {
  FuseMap map{std::vector<uint8_t>((example.fuseCount + 7) / 8, 0)};
  std::mt19937 random(example.seed);
  for (uint32_t i = 0; i < example.fuseCount; ++i) {
    bool value;
    if (example.pattern == "random") {
      value = random() & 1;
    } else if (example.pattern == "zeros") {
      value = false;
    } else if (example.pattern == "ones") {
      value = true;
    } else if (example.pattern == "checker") {
      value = ((i / 638) + i) & 1;
    } else {
      throw std::invalid_argument("unknown pattern '" + example.pattern + "'");
    }
    map.Set(i, value);
  }
  return map;
}

std::string ExampleJedecText(const JedecExample& example) {
  std::ostringstream text;
  WriteJedec(text, example, MakeExampleFuses(example));
  return text.str();
}

void WriteJedec(std::ostream& out, const JedecExample& example, const FuseMap& fuses) {
  std::ostringstream body;
  char line[64];
  body << '\x02' << "Tollvane example fuse file*\n";
  body << "NOTE pattern " << example.pattern << " seed " << example.seed << "*\n";
  body << "QF" << example.fuseCount << "*\n";
  body << "QP0*\n";
  body << "F0*\n";
  FuseMap written = fuses;
  const uint16_t checksum = FuseChecksum(fuses, example.fuseCount);
  if (example.corruptFuse) written.Set(*example.corruptFuse, !written.Get(*example.corruptFuse));
  std::string data;
  for (uint32_t first = 0; first < example.fuseCount; first += FUSES_PER_LINE) {
    std::snprintf(line, sizeof line, "L%07u ", first);
    data = line;
    for (uint32_t i = first; i < example.fuseCount && i < first + FUSES_PER_LINE; ++i) {
      data += written.Get(i) ? '1' : '0';
    }
    body << data << "*\n";
  }
  std::snprintf(line, sizeof line, "C%04X*\n", checksum);
  body << line;
  if (example.userCode) {
    std::snprintf(line, sizeof line, "UH%08X*\n", *example.userCode);
    body << line;
  }
  body << '\x03';
  const std::string text = body.str();
  uint16_t transmission = 0;
  for (unsigned char c : text) transmission = static_cast<uint16_t>(transmission + c);
  std::snprintf(line, sizeof line, "%04X", transmission);
  out << text << line;
}
