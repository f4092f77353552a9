// tollvane-make-jedec: writes an example fuse file for the target device.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <fstream>

#include "jedec_generator.h"

int main(int argc, char** argv) {
  CLI::App app{"Writes an example JEDEC fuse file for the FPGA with IDCODE 0x01299043."};
  JedecExample example;
  std::string output;
  std::string userCode = "54564E45";
  bool noUserCode = false;
  app.add_option("output", output, "File to write")->required();
  app.add_option("--pattern", example.pattern, "random, zeros, ones or checker")->capture_default_str();
  app.add_option("--seed", example.seed, "Seed of the random pattern")->capture_default_str();
  app.add_option("--fuses", example.fuseCount, "Fuse count (QF)")->capture_default_str();
  app.add_option("--usercode", userCode, "User code in hex")->capture_default_str();
  app.add_flag("--no-usercode", noUserCode, "Write no \"U\" field");
  app.add_option("--corrupt-fuse", example.corruptFuse, "Flip this fuse after computing the checksum");
  CLI11_PARSE(app, argc, argv);

  try {
    example.userCode = noUserCode ? std::nullopt : std::optional<uint32_t>(std::stoul(userCode, nullptr, 16));
    const FuseMap fuses = MakeExampleFuses(example);
    std::ofstream out(output, std::ios::binary);
    if (!out) {
      std::perror(output.c_str());
      return 1;
    }
    WriteJedec(out, example, fuses);
    if (!out.flush()) {
      std::perror(output.c_str());
      return 1;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tollvane-make-jedec: %s\n", e.what());
    return 2;
  }
  return 0;
}
