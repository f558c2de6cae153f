// The raw access commands in process, on a machine whose aperture and MMIO
// hold counters (each dword its own offset), so every printed value shows
// whether it came from the address printed beside it.
#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <sstream>
#include <vector>

#include "core/command_table.h"
#include "core/session.h"
#include "hw/driver_client.h"
#include "hw/raw_access.h"
#include "lumainfo.h"
#include "support/sim_fixture.h"

namespace {

struct Outcome {
  opal_exit_t rc;
  std::vector<std::string> lines;  // result lines of the record
  std::string out;                 // what the command printed
};

class RawTest : public SimTest {
 protected:
  std::string profile() const override {
    return "base = dov\n[machine]\nwait_scale = 0\n"
           "[aperture fill]\n0x0 = 0x6000 counter\n"
           "[mmio 2 fill]\n0x1000 = 0xA000 counter\n0x60000 = 0x9000 counter\n" +
           extra_;
  }
  void SetUp() override {
    SimTest::SetUp();
    ASSERT_EQ(opal_open(install_), EXIT_OK);
    machine().take_debug_output();
  }
  void TearDown() override {
    opal_close();
    driver_loaded = false;
    auto_report_mode = false;
    SimTest::TearDown();
  }
  // Runs one command line as the interpreter does: tokens into the record,
  // the entry of that name, its handler.
  Outcome run(const std::string& line) {
    cmd_args_t args{};
    EXPECT_TRUE(tokenize_command_line(line.c_str(), &args));
    int32_t n = 0;
    cmd_entry_t* table = get_command_table(&n);
    for (int32_t i = 0; i < n; ++i) {
      if (strcasecmp(table[i].name, args.slot[0]) != 0) continue;
      EXPECT_GE(args.count, table[i].min_tokens) << line;
      EXPECT_LE(args.count, table[i].max_tokens) << line;
      StdoutCapture capture;
      Outcome r;
      r.rc = table[i].handler(&args);
      r.out = capture.stop();
      for (int s = 0; s < args.count; ++s) r.lines.push_back(args.slot[s]);
      return r;
    }
    ADD_FAILURE() << "no command " << line;
    return {};
  }
  // The dump requests the driver served since the last call: "start:count".
  std::vector<std::string> dump_requests() {
    std::vector<std::string> found;
    std::string trace = machine().take_debug_output();
    std::regex re("startReg=(0x[0-9a-f]+|0), numRegs=(0x[0-9a-f]+|0)");
    for (std::sregex_iterator it(trace.begin(), trace.end(), re), end; it != end; ++it)
      found.push_back((*it)[1].str() + ":" + (*it)[2].str());
    return found;
  }
  std::string extra_;
  uint8_t install_ = 1;
};

// Every dump line "ADDRESS     v v v": the address and the values.
struct DumpLine {
  uint32_t address;
  std::vector<uint32_t> values;
};
std::vector<DumpLine> dump_lines(const std::string& out) {
  std::vector<DumpLine> lines;
  std::istringstream in(out);
  std::string text;
  std::regex re("^([0-9A-F]{8})    ((?: [0-9A-F]+)+)$");
  while (std::getline(in, text)) {
    std::smatch m;
    if (!std::regex_match(text, m, re)) continue;
    DumpLine d{static_cast<uint32_t>(std::stoul(m[1].str(), nullptr, 16)), {}};
    std::istringstream values(m[2].str());
    std::string v;
    while (values >> v) d.values.push_back(static_cast<uint32_t>(std::stoul(v, nullptr, 16)));
    lines.push_back(d);
  }
  return lines;
}

// Checks that dwords printed from a counter region equal their addresses
// and that the listing covers [first, first + count * 4) without a gap.
void expect_counter_dwords(const std::string& out, uint32_t first, uint32_t count) {
  uint32_t next = first;
  for (const DumpLine& d : dump_lines(out)) {
    ASSERT_EQ(d.address, next) << out.substr(0, 400);
    for (uint32_t v : d.values) {
      ASSERT_EQ(v, next);
      next += 4;
    }
  }
  EXPECT_EQ(next, first + 4 * count);
}

struct EdgeCase {
  const char* line;
  opal_exit_t rc;
  const char* result;  // the first result line, or what the output must hold
};

TEST_F(RawTest, CommandsRefuseBadParametersAndTakeDefaults) {
  const EdgeCase cases[] = {
      {"read_mem 0x1000", EXIT_OK, "00001000     00001000\n"},
      {"read_mem 0x1000 0", EXIT_OK, "00001000     00001000\n"},  // 0 takes the default
      {"read_mem 0x1000 2 16", EXIT_OK, "00001000     1000 0000\n"},
      {"read_mem 0xFFFFF000 4096", EXIT_INVALID_PARAM_ERROR, "ends past 4 GiB"},
      {"read_mem 0x1000 1 24", EXIT_INVALID_PARAM_ERROR, "ERROR: Invalid width: 24 (8, 16 or 32)"},
      {"read_mem 0x1000 1 1", EXIT_INVALID_PARAM_ERROR, "ERROR: Invalid width: 1"},
      {"read_mem 0x1000 lots", EXIT_INVALID_PARAM_ERROR, "ERROR: Invalid length: lots"},
      {"read_mem 0x100000000", EXIT_INVALID_PARAM_ERROR, "ERROR: Invalid start: 0x100000000"},
      {"write_mem 0x100 0x1FF 8", EXIT_INVALID_PARAM_ERROR, "ERROR: Value 0x1FF does not fit in 8 bits"},
      {"write_mem 0x100 1 24", EXIT_INVALID_PARAM_ERROR, "ERROR: Invalid width: 24"},
      {"write_mem 0xFFFFFFFC 1 32 2", EXIT_INVALID_PARAM_ERROR, "ends past 4 GiB"},
      {"read_mmio 0x70180 1 7", EXIT_INVALID_PARAM_ERROR, "ERROR: Invalid width: 7"},
      {"read_mmio 0xFFFFFFF0 8", EXIT_INVALID_PARAM_ERROR, "ends past 4 GiB"},
      {"read_mmio 0x70180 1 32 x3", EXIT_INVALID_PARAM_ERROR, "ERROR: Invalid device: x3"},
      {"read_mmio 0x70180", EXIT_OK, "READ: Register: 0x70180 Value: 0x98000000"},
      {"write_mmio 0x70180 <typo>", EXIT_INVALID_PARAM_ERROR, "ERROR: Invalid value: <typo>"},
      {"write_mmio 0x70180 1 0x10", EXIT_INVALID_PARAM_ERROR, "ERROR: Invalid width: 0x10"},  // decimal
      {"write_mmio 0x70180 0x10000 16", EXIT_INVALID_PARAM_ERROR, "does not fit in 16 bits"},
      {"read_mmio_regs 4 12", EXIT_INVALID_PARAM_ERROR, "ERROR: Invalid width: 12"},
      {"read_mmio_regs many", EXIT_INVALID_PARAM_ERROR, "ERROR: Invalid number per line: many"},
      {"get_pci_info 0:2", EXIT_INVALID_PARAM_ERROR, "ERROR: Invalid parameters"},
      {"get_pci_info 0:2:0:1", EXIT_INVALID_PARAM_ERROR, "ERROR: Invalid parameters"},
      {"get_pci_info 256:0:0", EXIT_INVALID_PARAM_ERROR, "ERROR: Invalid parameters"},
      {"get_pci_info 0:32:0", EXIT_INVALID_PARAM_ERROR, "ERROR: Invalid parameters"},
      {"get_pci_info 0:2:8", EXIT_INVALID_PARAM_ERROR, "ERROR: Invalid parameters"},
      {"get_pci_info 0::0", EXIT_INVALID_PARAM_ERROR, "ERROR: Invalid parameters"},
      {"get_pci_info no_such.txt", EXIT_INVALID_PARAM_ERROR, "no_such.txt not found"},
      {"read_i2c_reg 0x70", EXIT_OK, ""},
      {"write_i2c_reg 0x70 1", EXIT_OK, ""},
  };
  for (const EdgeCase& c : cases) {
    Outcome r = run(c.line);
    EXPECT_EQ(r.rc, c.rc) << c.line << "\n" << r.out;
    std::string all = r.out;
    for (auto& l : r.lines) all += l + "\n";
    EXPECT_NE(all.find(c.result), std::string::npos) << c.line << "\n" << all;
    if (c.rc != EXIT_OK) {
      EXPECT_TRUE(r.lines.empty()) << c.line;
    }
  }
  // Nothing refused reached the hardware: the plane register and the
  // memory the refused writes named are untouched.
  EXPECT_EQ(run("read_mmio 0x70180").lines.at(0), "READ: Register: 0x70180 Value: 0x98000000");
  EXPECT_NE(run("read_mem 0x100").out.find("00000100     00000100\n"), std::string::npos);
}

TEST_F(RawTest, WritesLandWhereTheyAreAskedFor) {
  Outcome w = run("write_mem 0x100 0xFF 8 4");
  ASSERT_EQ(w.rc, EXIT_OK) << w.out;
  ASSERT_EQ(w.lines.size(), 1u);
  EXPECT_EQ(w.lines[0], "WROTE: From Address: 0x100 to 0x104 address, Value: 0xFF");
  EXPECT_NE(run("read_mem 0xFC 3").out.find("000000FC     000000FC FFFFFFFF 00000104\n"), std::string::npos);

  // A 16-bit write replaces the low half only: 0x60020 is a counter no
  // table names, the plane's surface register holds the address the
  // simulated screen put there, and neither loses its high half.
  Outcome m = run("write_mmio 0x60020 0xBEEF 16");
  ASSERT_EQ(m.rc, EXIT_OK);
  EXPECT_EQ(m.lines.at(0), "WROTE: Register: 0x60020 Value: 0xBEEF");
  EXPECT_EQ(run("read_mmio 0x60020").lines.at(0), "READ: Register: 0x60020 Value: 0x6BEEF");
  EXPECT_EQ(run("read_mmio 0x60021 1 8").lines.at(0), "READ: Register: 0x60021 Value: 0xBE");
  EXPECT_EQ(run("read_mmio 0x70184").lines.at(0), "READ: Register: 0x70184 Value: 0x80000");
  ASSERT_EQ(run("write_mmio 0x70184 0xBEEF 16").rc, EXIT_OK);
  EXPECT_EQ(run("read_mmio 0x70184").lines.at(0), "READ: Register: 0x70184 Value: 0x8BEEF");
  EXPECT_EQ(run("read_mmio 0x70185 1 8").lines.at(0), "READ: Register: 0x70185 Value: 0xBE");
}

TEST_F(RawTest, ReadMemSplitsIntoChunksOf2048Words) {
  Outcome r = run("read_mem 0 3000");
  ASSERT_EQ(r.rc, EXIT_OK);
  EXPECT_EQ(dump_requests(), (std::vector<std::string>{"0:0x800", "0x2000:0x3b8"}));
  expect_counter_dwords(r.out, 0, 3000);
  // Exactly one chunk, and one word more than a chunk.
  run("read_mem 0 2048");
  EXPECT_EQ(dump_requests(), std::vector<std::string>{"0:0x800"});
  run("read_mem 0 2049");
  EXPECT_EQ(dump_requests(), (std::vector<std::string>{"0:0x800", "0x2000:0x1"}));
  // Bytes: eight to a line; the words read are printed whole.
  EXPECT_NE(run("read_mem 0x1004 9 8").out.find("00001004     04 10 00 00 08 10 00 00\n0000100C     0C 10 00 00\n"),
            std::string::npos);
}

TEST_F(RawTest, ReadMmioDumpsWholeLinesAndEveryByteAskedFor) {
  // Counters past the pipe's timing registers, which the simulated screen sets.
  Outcome r = run("read_mmio 0x60030 8");
  ASSERT_EQ(r.rc, EXIT_OK);
  EXPECT_TRUE(r.lines.empty());
  EXPECT_NE(r.out.find("00060030     00060030 00060034 00060038 0006003C\n"
                       "00060040     00060040 00060044 00060048 0006004C\n"),
            std::string::npos)
      << r.out;
  // Three bytes: the last word is read whole, three bytes are printed.
  r = run("read_mmio 0x60024 3 8");
  EXPECT_NE(r.out.find("00060024     24 00 06\n"), std::string::npos) << r.out;
  EXPECT_EQ(dump_requests(), (std::vector<std::string>{"0x60030:0x8", "0x60024:0x1"}));
  r = run("read_mmio 0x60020 3 16");
  EXPECT_NE(r.out.find("00060020     0020 0006 0024\n"), std::string::npos) << r.out;
}

class RawFaultTest : public RawTest {
 protected:
  RawFaultTest() { extra_ = "[faults]\ndump_fail = 0x3000\n"; }
};

TEST_F(RawFaultTest, AFailingChunkFailsTheDumpButTheOthersArePrinted) {
  Outcome r = run("read_mem 0x1000 5000");
  EXPECT_EQ(r.rc, EXIT_OS_CALL_ERROR);
  EXPECT_NE(r.out.find("IOCTL call failed: "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("ERROR while sending os_dump_regs"), std::string::npos);
  std::vector<DumpLine> lines = dump_lines(r.out);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front().address, 0x1000u);
  EXPECT_EQ(lines.back().address, 0x5E10u);  // the third chunk came after the failed one
  for (const DumpLine& d : lines) EXPECT_TRUE(d.address < 0x3000 || d.address >= 0x5000) << d.address;

  // In the report's dump the same failure costs one chunk and the result stays 0.
  auto_report_mode = true;
  r = run("read_mmio_regs");
  EXPECT_EQ(r.rc, EXIT_OK);
  EXPECT_NE(r.out.find("ERROR while sending os_dump_regs"), std::string::npos);
  EXPECT_EQ(dump_lines(r.out).size(), (159856u - 8192u) / 4u);
}

TEST_F(RawTest, ReportDumpCoversTheNineRangesInOrder) {
  auto_report_mode = true;
  Outcome r = run("read_mmio_regs");
  ASSERT_EQ(r.rc, EXIT_OK);
  uint32_t count = 0;
  const mmio_range_t* ranges = default_mmio_ranges(&count);
  ASSERT_EQ(count, 9u);
  std::vector<DumpLine> lines = dump_lines(r.out);
  size_t at = 0;
  for (uint32_t i = 0; i < count; ++i)
    for (uint32_t a = ranges[i].first; a <= ranges[i].last; a += 4, ++at) {
      ASSERT_LT(at, lines.size());
      ASSERT_EQ(lines[at].address, a) << "range " << i;
      ASSERT_EQ(lines[at].values.size(), 4u);
    }
  EXPECT_EQ(at, lines.size());
  EXPECT_EQ(r.out.find('['), std::string::npos) << "no titles in the report";
  // Counter bytes come out little-endian: 0x1000 reads 00 10 00 00.
  EXPECT_EQ(lines[0].values, (std::vector<uint32_t>{0x00, 0x10, 0x00, 0x00}));

  // Outside the report the family's ranges are walked, each after its
  // title, last offset first.
  auto_report_mode = false;
  r = run("read_mmio_regs 8 32");
  ASSERT_EQ(r.rc, EXIT_OK);
  const mmio_range_t* family = family_mmio_ranges(&count);
  ASSERT_NE(family, nullptr);
  ASSERT_GT(count, 1u);
  size_t from = 0;
  for (uint32_t i = 0; i < count; ++i) {
    char title[300];
    std::snprintf(title, sizeof title, "%s [0x%X : 0x%X]\n\n%08X    ", family[i].title, family[i].last,
                  family[i].first, family[i].first);
    size_t at_title = r.out.find(title, from);
    ASSERT_NE(at_title, std::string::npos) << title;
    from = at_title + 1;
  }
  // Counters around a register the family table names, which holds its own value.
  EXPECT_NE(r.out.find("00002020     00002020 22002024 00002028 0000202C 00001000 00000200 00010000 0001F001\n"),
            std::string::npos)
      << r.out.substr(0, 600);
}

TEST_F(RawTest, PciDumpFileReadsBackAsTheLiveFunction) {
  // The live reply of the graphics function, written as "offset: bytes" lines.
  PciConfigRequest q{0, 2, 0};
  uint8_t live[192] = {};
  ASSERT_TRUE(driver_ioctl(hwpeek::IOCTL_READ_PCI_CONFIG, sizeof q, &q, sizeof live, live));
  std::string dump = "00:02.0 VGA compatible controller\n";
  char line[80];
  for (int row = 0; row < 192; row += 16) {
    int n = std::snprintf(line, sizeof line, "%02x:", row);
    for (int i = 0; i < 16; ++i) n += std::snprintf(line + n, sizeof line - n, " %02x", live[row + i]);
    dump += std::string(line) + "\r\n";
  }
  write_file("gfx.txt", dump);
  Outcome from_live = run("get_pci_info 0:2:0");
  Outcome from_file = run("get_pci_info gfx.txt");
  ASSERT_EQ(from_live.rc, EXIT_OK);
  ASSERT_EQ(from_file.rc, EXIT_OK) << from_file.out;
  EXPECT_EQ(from_file.out, from_live.out);
  EXPECT_EQ(from_live.out, run("get_pci_info").out);  // the default function
  EXPECT_NE(from_live.out.find("\nRAW INFO\n\n00000000     1D 1E 02 2B 07 00 90 00\n"), std::string::npos)
      << from_live.out;
  EXPECT_NE(from_live.out.find("\nTRANSLATED INFO\n\nvendor_id                                       : 0x1E1D\n"),
            std::string::npos);
  for (const char* field : {"BAR[2]                                          : 0xD0000008\n",
                            "cap_pointer                                     : 0xD0\n",
                            "int_line                                        : 0xB\n",
                            "max_lat                                         : 0x0\n"})
    EXPECT_NE(from_live.out.find(field), std::string::npos) << field;
  // Another vendor's function and an empty slot read as zeros.
  for (const char* other : {"get_pci_info 0:29:0", "get_pci_info 0:5:0"}) {
    Outcome r = run(other);
    EXPECT_EQ(r.rc, EXIT_OK);
    EXPECT_NE(r.out.find("vendor_id                                       : 0x0\n"), std::string::npos) << other;
  }
  // The host bridge answers as itself.
  EXPECT_NE(run("get_pci_info 0:0:0").out.find("00000000     1D 1E 00 2B 06 00 90 20\n"), std::string::npos);
}

TEST_F(RawTest, PciDumpFilesAreCheckedLineByLine) {
  std::string bytes300;
  for (int i = 0; i < 300; ++i) bytes300 += " 7f";
  struct FileCase {
    std::string text;
    opal_exit_t rc;
    std::string message;
  } cases[] = {
      {"0:" + bytes300.substr(0, 252) + "\n", EXIT_OK, "vendor_id                                       : 0x7F7F"},
      {"00: 86 80\n10: " + std::string(251, ' ') + "1\n", EXIT_OK, "vendor_id                                       : 0x8086"},
      {"00: 86 80\n10: " + std::string(252, ' ') + "1\n", EXIT_INVALID_PARAM_ERROR,
       "ERROR: dump.txt: line 2 is longer than 256 characters"},
      {"00: 86 80 zz\n", EXIT_INVALID_PARAM_ERROR, "ERROR: dump.txt: line 1: not a byte value: zz"},
      {"00: 86 180\n", EXIT_INVALID_PARAM_ERROR, "line 1: not a byte value: 180"},
      {"title line\n\n00:\t86\t80\n", EXIT_OK, "device_id                                       : 0x0\n"},
      {"00:1f.3 SMBus: Varnel\n00: 86 80 22 24\n", EXIT_OK, "device_id                                       : 0x2422\n"},
  };
  for (auto& c : cases) {
    write_file("dump.txt", c.text);
    Outcome r = run("get_pci_info dump.txt");
    EXPECT_EQ(r.rc, c.rc) << r.out;
    EXPECT_NE(r.out.find(c.message), std::string::npos) << r.out;
  }
  // More than 256 values: the first 256 count, with a warning.
  std::string many;
  for (int line = 0; line < 4; ++line) many += "x:" + bytes300.substr(0, 3 * 80) + " 01 02\n";
  many += "x: 03 04\n";
  write_file("dump.txt", many);
  Outcome r = run("get_pci_info dump.txt");
  EXPECT_EQ(r.rc, EXIT_OK);
  EXPECT_NE(r.out.find("WARNING: dump.txt holds more than 256 byte values; the first 256 are used"),
            std::string::npos)
      << r.out;
}

TEST_F(RawTest, HexListingsStayInsideALineAndKeepEveryUnit) {
  uint32_t words[64];
  for (uint32_t i = 0; i < 64; ++i) words[i] = 0x11111111u * (i % 16);
  hex_marker_t markers[2] = {{0x1008, "PIPEACONF"}, {0x100A, "PIPEASTAT"}};
  StdoutCapture capture;
  print_hex_units(words, markers, 0x1000, 4, 4, 2, 2);
  print_hex_units(words, nullptr, 0, 64, 4, 1000, 0);
  std::string out = capture.stop();
  EXPECT_NE(out.find("00001000     00000000 11111111\n"
                     "00001008     22222222 33333333 <---  PIPEACONF, PIPEASTAT\n"),
            std::string::npos)
      << out;
  // A thousand units to a line do not fit a message: lines end early and
  // every unit is still there, in order.
  size_t longest = 0;
  std::istringstream in(out);
  for (std::string l; std::getline(in, l);) longest = std::max(longest, l.size());
  EXPECT_LT(longest, 260u);
  size_t units = 0;
  for (const DumpLine& d : dump_lines(out))
    if (d.address < 0x1000) units += d.values.size();
  EXPECT_EQ(units, 64u);

  // An unfinished last line goes out without marker names.
  StdoutCapture last;
  print_hex_units(words, markers + 1, 0x1008, 1, 2, 4, 1);
  EXPECT_EQ(last.stop(), "00001008     0000 0000\n");
}

class RawNoDriverTest : public RawTest {
 protected:
  RawNoDriverTest() { install_ = 0; }
};

TEST_F(RawNoDriverTest, EveryCommandFailsWithoutTheDriver) {
  const char kNotPresent[] = "ERROR: Driver not present, First install driver by calling os_initialize";
  for (const char* line : {"read_mem 0x1000", "write_mem 0x100 1", "read_mmio 0x70180", "read_mmio 0x70180 8",
                           "write_mmio 0x70180 1"}) {
    Outcome r = run(line);
    EXPECT_EQ(r.rc, EXIT_OS_CALL_ERROR) << line;
    EXPECT_NE(r.out.find(kNotPresent), std::string::npos) << line;
    EXPECT_TRUE(r.lines.empty());
  }
  Outcome r = run("get_pci_info");
  EXPECT_EQ(r.rc, EXIT_OS_CALL_ERROR);
  EXPECT_NE(r.out.find("The system cannot find the file specified."), std::string::npos) << r.out;
  // The register dump reports its failures in messages only.
  r = run("read_mmio_regs");
  EXPECT_EQ(r.rc, EXIT_OK);
  EXPECT_NE(r.out.find("ERROR while sending os_dump_regs"), std::string::npos);
  StdoutCapture capture;
  EXPECT_EQ(opal_read_mmio_reg(0x70180, 32), 0u);
  EXPECT_EQ(opal_write_mmio_reg(0x70180, 1, 32), EXIT_OS_CALL_ERROR);
  EXPECT_EQ(capture.stop(), std::string(kNotPresent) + "\n" + kNotPresent + "\n");
}

}  // namespace
