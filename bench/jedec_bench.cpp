// Parsing speed of the JEDEC loader: a full-size file for the target, and a
// file close to the 16 MiB limit.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "fuse/jedec_loader.h"
#include "fuse/jedec_parser.h"
#include "jedec_generator.h"
#include "silent_window.h"

namespace {


std::string ExampleText(uint32_t fuses) {
  JedecExample example;
  example.fuseCount = fuses;
  return ExampleJedecText(example);
}

void Parse(benchmark::State& state, const std::string& text) {
  for (auto _ : state) {
    auto result = ParseJedecText(text.c_str(), text.size());
    benchmark::DoNotOptimize(result);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
  state.counters["file_bytes"] = static_cast<double>(text.size());
}

void BM_ParseFullSizeFile(benchmark::State& state) {
  static const std::string text = ExampleText(1236476);
  Parse(state, text);
}
BENCHMARK(BM_ParseFullSizeFile)->Unit(benchmark::kMillisecond);

void BM_Parse16MiBFile(benchmark::State& state) {
  static const std::string text = ExampleText(15400000);
  if (text.size() > MAX_JEDEC_FILE_BYTES) state.SkipWithError("example larger than the limit");
  Parse(state, text);
}
BENCHMARK(BM_Parse16MiBFile)->Unit(benchmark::kMillisecond);

// Open, read and parse from the file system, as a Program command does.
void BM_LoadFullSizeFile(benchmark::State& state) {
  const auto path = std::filesystem::temp_directory_path() / "tollvane-bench.jed";
  std::ofstream(path, std::ios::binary) << ExampleText(1236476);
  SilentWindow window;
  for (auto _ : state) {
    auto image = LoadJedecFile(window, path);
    if (!image) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(image);
  }
  std::filesystem::remove(path);
}
BENCHMARK(BM_LoadFullSizeFile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
