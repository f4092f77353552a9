// libFuzzer target for the JEDEC parser: any bytes, parsed as a whole file.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <variant>

#include "fuse/jedec_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::unique_ptr<char[]> text(new char[size + 1]);
  std::memcpy(text.get(), data, size);
  text[size] = '\0';
  auto result = ParseJedecText(text.get(), size);
  if (auto* image = std::get_if<JedecImage>(&result); image && image->fuseMap) {
    // Touch the whole map so that a wrong size shows up under ASan.
    volatile uint8_t sink = 0;
    for (uint8_t byte : image->fuseMap->bytes) sink = static_cast<uint8_t>(sink ^ byte);
    (void)sink;
  }
  return 0;
}
