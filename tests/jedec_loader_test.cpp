#include <gtest/gtest.h>

#include <sstream>

#include "device/target_device.h"
#include "fuse/jedec_loader.h"
#include "fuse/jedec_parser.h"
#include "jedec_generator.h"
#include "support/recording_window.h"
#include "support/temp_file.h"

namespace {

const std::string STX = "\x02";
const std::string ETX = "\x03";

struct LoadFailure {
  const char* name;
  std::string content;
  const char* status;
  std::vector<std::string> progressLog;  // what the failure did to bar and taskbar
};

void PrintTo(const LoadFailure& c, std::ostream* os) { *os << c.name; }

std::vector<LoadFailure> Failures() {
  const std::vector<std::string> minus20 = {"taskbar 20", "taskbar error"};
  const std::vector<std::string> minus1 = {"taskbar 1", "taskbar error"};
  return {
      {"Empty", "", "Not JEDEC file.", minus1},
      {"LeadingLineBreak", "\n" + STX + "QF8*F0*L0 0*" + ETX, "Not JEDEC file.", minus1},
      {"ByteOrderMark", "\xEF\xBB\xBF" + STX + "*" + ETX, "Not JEDEC file.", minus1},
      {"QfAfterFirstL", STX + "F0*L0 01*QF8*" + ETX, "Purse error.", {}},
      {"NoFBeforeL", STX + "QF8*L0 01*F0*" + ETX, "Purse error.", {}},
      {"NegativeAddress", STX + "QF8*F0*L-1 01*" + ETX, "Purse error.", {}},
      {"RunPastTheMap", STX + "QF8*F0*L4 0101" "0*" + ETX, "Purse error.", {}},
      {"AlignedRunPastTheMap", STX + "QF8*F0*L0 010101011*" + ETX, "Purse error.", {}},
      {"AddressPastTheMap", STX + "QF8*F0*L8 1*" + ETX, "Purse error.", {}},
      {"NegativeFuseCount", STX + "QF-8*F0*L0 1*" + ETX, "Purse error.", {}},
      {"ZeroFuseCount", STX + "QF0*F0*L0 1*" + ETX, "Purse error.", {}},
  };
}

class JedecLoadFailure : public ::testing::TestWithParam<LoadFailure> {};

TEST_P(JedecLoadFailure, ReportsTextAndProgress) {
  const LoadFailure& c = GetParam();
  TempDir dir;
  RecordingWindow window;
  EXPECT_FALSE(LoadJedecFile(window, dir.Write("f.jed", c.content)));
  std::vector<std::string> expected = {"status File (re)loading...", "repaint", std::string("status ") + c.status};
  expected.insert(expected.end(), c.progressLog.begin(), c.progressLog.end());
  EXPECT_EQ(window.log, expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, JedecLoadFailure, ::testing::ValuesIn(Failures()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(JedecLoader, FilesThatCannotBeOpened) {
  TempDir dir;
  for (const std::filesystem::path& path :
       {dir.Path() / "missing.jed", dir.Path(), std::filesystem::path()}) {
    RecordingWindow window;
    EXPECT_FALSE(LoadJedecFile(window, path)) << path;
    EXPECT_EQ(window.status, "Could not load file.");
    EXPECT_EQ(window.taskbarValue, 20);
    EXPECT_EQ(window.taskbarState, TaskbarState::Error);
    EXPECT_EQ(window.bar, -1) << "the bar is not touched";
  }
}

TEST(JedecLoader, SizeLimitIsSixteenMebibytes) {
  TempDir dir;
  // STX, the smallest fuse list, then padding inside a note up to the size.
  const std::string head = STX + "QF8*F0*L0 10100101*N";
  for (const size_t size : {size_t{MAX_JEDEC_FILE_BYTES}, size_t{MAX_JEDEC_FILE_BYTES} + 1}) {
    std::string content = head;
    content.resize(size, ' ');
    RecordingWindow window;
    const auto image = LoadJedecFile(window, dir.Write("big.jed", content));
    if (size == MAX_JEDEC_FILE_BYTES) {
      ASSERT_TRUE(image) << window.status;
      EXPECT_EQ(image->fuseMap->bytes, std::vector<uint8_t>{0xA5});
    } else {
      EXPECT_FALSE(image);
      EXPECT_EQ(window.status, "Too large file.");
      EXPECT_EQ(window.taskbarValue, 20);
    }
  }
}

JedecImage Parse(const std::string& content) {
  auto result = ParseJedecText(content.c_str(), content.size());
  EXPECT_TRUE(std::holds_alternative<JedecImage>(result)) << "parse failed";
  return std::get<JedecImage>(std::move(result));
}

std::string Fuses(const JedecImage& image, uint64_t first, uint64_t count) {
  std::string s;
  for (uint64_t i = first; i < first + count; ++i) s += image.fuseMap->Get(i) ? '1' : '0';
  return s;
}

TEST(JedecParser, NoFuseListGivesNoMap) {
  const JedecImage image = Parse(STX + "QF100*F0*" + ETX);
  EXPECT_FALSE(image.fuseMap);
  EXPECT_EQ(image.fuseCount, 100);
  EXPECT_EQ(image.defaultFuse, 0);
  EXPECT_EQ(image.userCode, 0xFFFFFFFFu);
}

TEST(JedecParser, DefaultFuseFillsTheMap) {
  const std::pair<const char*, uint8_t> cases[] = {{"F0", 0x00}, {"F1", 0xFF}, {"F2", 0xFF}};
  for (auto [field, fill] : cases) {
    const JedecImage image = Parse(STX + "QF20*" + field + "*L19 *" + ETX);
    EXPECT_EQ(image.fuseMap->bytes, std::vector<uint8_t>(3, fill)) << field;
  }
}

TEST(JedecParser, FuseDataRules) {
  // Address written with six digits; one separator; blanks, line breaks and other letters skipped.
  const JedecImage image =
      Parse(STX + "QF40*F1*L000010 0 1\n1*L20 01x1*L30\n1111*L35 0*L36*" + ETX);
  EXPECT_EQ(Fuses(image, 9, 5), "10111");
  EXPECT_EQ(Fuses(image, 20, 4), "0111");
  EXPECT_EQ(Fuses(image, 30, 4), "1111");
  EXPECT_EQ(Fuses(image, 35, 1), "0");
  EXPECT_EQ(image.fuseMap->bytes.size(), 5u);

  // Whole bytes at aligned addresses, mixed with separators and partial bytes.
  const JedecImage aligned = Parse(STX + "QF24*F0*L0 10100101 0110\n1110*L16 11110000*" + ETX);
  EXPECT_EQ(aligned.fuseMap->bytes, (std::vector<uint8_t>{0xA5, 0x76, 0x0F}));
}

TEST(JedecParser, UserCode) {
  const std::pair<std::string, uint32_t> cases[] = {
      {"UH0000ABCD*", 0x0000ABCD},
      {"", 0xFFFFFFFF},
      {"UH12345678*UHzz*", 0x12345678},        // a U without a hex digit keeps the old value
      {"UH1*UH 2*", 0x2},                      // the last one with a digit wins
      {"UH123456789*", 0x12345678},            // at most 8 digits
  };
  for (const auto& [fields, code] : cases) {
    EXPECT_EQ(Parse(STX + "QF8*F0*" + fields + ETX).userCode, code) << fields;
  }
}

TEST(JedecParser, WhereTheScanEnds) {
  // An ETX inside a note is skipped over; one where a field starts ends the scan.
  EXPECT_EQ(Parse(STX + "N a \x03 note*QF8*F0*L0 1*" + ETX).fuseMap->bytes[0], 0x01);
  EXPECT_FALSE(Parse(STX + "QF8*F0*" + ETX + "L0 1*").fuseMap);
  // Without ETX the file is read to its end; a checksum after ETX is ignored.
  EXPECT_EQ(Parse(STX + "QF8*F0*L0 11*").fuseMap->bytes[0], 0x03);
  EXPECT_EQ(Parse(STX + "QF8*F0*L0 11*" + ETX + "ZZZZ").fuseMap->bytes[0], 0x03);
  // An empty value skips only its own field.
  EXPECT_EQ(Parse(STX + "QF8*F*F0*L0 1*").fuseMap->bytes[0], 0x01);
  // Digits running into "*" or the end of the text: no data, no overrun.
  EXPECT_EQ(Parse(STX + "QF8*F0*L5*").fuseMap->bytes[0], 0x00);
  EXPECT_EQ(Parse(STX + "QF8*F1*L5").fuseMap->bytes[0], 0xFF);
  EXPECT_EQ(Parse(STX + "QF8*F0*U").userCode, 0xFFFFFFFFu);
  // Decimal values clamp to 32 bits.
  EXPECT_EQ(Parse(STX + "QF99999999999*").fuseCount, INT32_MAX);
  EXPECT_EQ(Parse(STX + "F-99999999999*").defaultFuse, INT32_MIN);
}

TEST(JedecGenerator, FullSizeFileRoundTrips) {
  JedecExample example;
  const FuseMap fuses = MakeExampleFuses(example);
  std::ostringstream out;
  WriteJedec(out, example, fuses);
  const JedecImage image = Parse(out.str());
  ASSERT_TRUE(image.fuseMap);
  EXPECT_EQ(image.fuseCount, static_cast<int32_t>(target::MIN_FUSE_COUNT));
  EXPECT_EQ(image.fuseMap->bytes, fuses.bytes);
  EXPECT_EQ(image.userCode, *example.userCode);
  EXPECT_EQ(image.fileFuseChecksum, FuseChecksum(fuses, example.fuseCount));
}

}  // namespace
