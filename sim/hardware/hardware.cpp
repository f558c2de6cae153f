#include "hardware.h"

#include <algorithm>

#include <cstring>
#include <string>

#include "hwpeek/hwpeek.h"

namespace sim {
namespace {

// ---- I2C devices -----------------------------------------------------------

// A monitor's EDID memory: a 256-byte EEPROM holding one 128-byte block;
// the upper half reads as erased.
class EdidMemory : public I2cTarget {
 public:
  EdidMemory(const char* name, bool digital, uint16_t product) {
    bytes_.fill(0xFF);
    uint8_t* e = bytes_.data();
    const uint8_t head[] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    std::memcpy(e, head, 8);
    // "LMG": three 5-bit letters, big-endian.
    uint16_t maker = uint16_t(('L' - '@') << 10 | ('M' - '@') << 5 | ('G' - '@'));
    e[8] = uint8_t(maker >> 8), e[9] = uint8_t(maker);
    e[10] = uint8_t(product), e[11] = uint8_t(product >> 8);
    e[12] = 0x01, e[13] = 0x00, e[14] = 0x00, e[15] = 0x00;  // serial
    e[16] = 12, e[17] = 2006 - 1990;                           // week, year
    e[18] = 1, e[19] = 3;                                      // EDID 1.3
    e[20] = digital ? 0x80 : 0x0E;
    e[21] = 34, e[22] = 27, e[23] = 0x78, e[24] = 0xEA;
    const uint8_t chroma[] = {0xEE, 0x95, 0xA3, 0x54, 0x4C, 0x99, 0x26, 0x0F, 0x50, 0x54};
    std::memcpy(e + 25, chroma, 10);
    e[35] = 0x21, e[36] = 0x08, e[37] = 0x00;  // established timings
    const uint8_t standard[16] = {0x81, 0x80, 0x61, 0x40, 0x45, 0x40, 0x31, 0x40,
                                  0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01};
    std::memcpy(e + 38, standard, 16);
    // 1280x1024 at 60 Hz, 108 MHz, 340x270 mm.
    const uint8_t dtd[18] = {0x30, 0x2A, 0x00, 0x98, 0x51, 0x00, 0x2A, 0x40, 0x30,
                             0x70, 0x13, 0x00, 0x54, 0x0E, 0x11, 0x00, 0x00, 0x1E};
    std::memcpy(e + 54, dtd, 18);
    const uint8_t range[18] = {0, 0, 0, 0xFD, 0, 0x38, 0x4C, 0x1E, 0x51, 0x0E, 0x00, 0x0A,
                               0x20, 0x20, 0x20, 0x20, 0x20, 0x20};
    std::memcpy(e + 72, range, 18);
    text_descriptor(e + 90, 0xFC, name);
    text_descriptor(e + 108, 0xFF, "LG0001");
    e[126] = 0;
    uint8_t sum = 0;
    for (int i = 0; i < 127; ++i) sum = uint8_t(sum + e[i]);
    e[127] = uint8_t(0x100 - sum);
  }
  uint8_t read() override { return bytes_[pointer_++]; }
  void write(uint8_t value) { bytes_[pointer_++] = value; }

 private:
  static void text_descriptor(uint8_t* d, uint8_t tag, const char* text) {
    std::memset(d, 0, 18);
    d[3] = tag;
    size_t n = std::strlen(text);
    for (size_t i = 0; i < 13; ++i) d[5 + i] = i < n ? uint8_t(text[i]) : i == n ? 0x0A : 0x20;
  }
  std::array<uint8_t, 256> bytes_{};
};

}  // namespace

// ---- SDVO device -----------------------------------------------------------

// Registers 0..7 arguments (argument i at 7 - i), 8 opcode (a write runs the
// command), 9 status, 10..17 return bytes. The status reads pending for a
// while after each command. Behind it, the DDC bus of its monitor, reached
// after a control-bus switch until the stop that ends that transfer.
class SdvoDevice : public I2cTarget {
 public:
  SdvoDevice(uint8_t address, uint32_t pending_reads, bool ddc) : address_(address), pending_reads_(pending_reads) {
    if (ddc) {
      ddc_[0xA0] = std::make_unique<EdidMemory>("LUMA DVI", true, uint16_t(0x0100 + address));
      ddc_[0xA2] = std::make_unique<EdidMemory>("LUMA AUX", true, uint16_t(0x0200 + address));
    }
  }
  uint8_t read() override {
    uint8_t index = pointer_++;
    if (index == 9 && pending_left_ > 0) {
      --pending_left_;
      return 4;
    }
    return index < regs_.size() ? regs_[index] : 0;
  }
  void write(uint8_t value) override {
    uint8_t index = pointer_++;
    if (index >= regs_.size()) return;
    regs_[index] = value;
    if (index == 8) execute(value);
  }
  // The DDC device a routed transfer reaches, when the switch allows it.
  I2cTarget* routed(uint8_t address) {
    if (!switch_) return nullptr;
    bool first = address == 0xA0;
    if ((switch_ == 2) != first) return nullptr;
    auto it = ddc_.find(address);
    return it == ddc_.end() ? nullptr : it->second.get();
  }
  void routed_stop() { switch_ = 0; }
  uint8_t last_switch = 0;

 private:
  void execute(uint8_t opcode) {
    for (int i = 10; i < 18; ++i) regs_[i] = 0;
    uint8_t status = 2;  // not supported
    switch (opcode) {
      case 0x01:  // reset
        switch_ = 0;
        status = 1;
        break;
      case 0x02: {  // device capabilities
        const uint8_t caps[8] = {0x01, uint8_t(address_ == 0x70 ? 0 : 1), 0x01, 0x01, 0x00, 0x00, 0x01, 0x00};
        std::memcpy(&regs_[10], caps, 8);
        status = 1;
        break;
      }
      case 0x86:  // firmware revision
        regs_[10] = 0x02, regs_[11] = 0x05;
        status = 1;
        break;
      case 0x7A: {  // control-bus switch: 2 for the DDC device at 0xA0, 4 for others
        uint8_t arg = regs_[7];
        if (arg == 2 || arg == 4) {
          switch_ = arg;
          last_switch = arg;
          status = 1;
        } else {
          status = 3;  // invalid argument
        }
        break;
      }
      default: break;
    }
    regs_[9] = status;
    pending_left_ = pending_reads_;
  }
  uint8_t address_;
  uint32_t pending_reads_;
  uint32_t pending_left_ = 0;
  uint8_t switch_ = 0;
  std::array<uint8_t, 18> regs_{};
  std::map<uint8_t, std::unique_ptr<I2cTarget>> ddc_;
};

// ---- GMBUS controller ------------------------------------------------------

namespace {
constexpr uint32_t kSelect = 0x5100, kCommand = 0x5104, kStatus = 0x5108, kData = 0x510C, kIndex = 0x5120;
constexpr uint32_t GA = 0x200, NAK = 0x400, HW_RDY = 0x800, STALL = 0x2000, WAIT = 0x4000;
constexpr uint32_t SW_CLR_INT = 0x80000000, CYCLE_WAIT = 0x02000000, CYCLE_INDEX = 0x04000000,
                   CYCLE_STOP = 0x08000000;
}  // namespace

GmbusModel::GmbusModel(const Profile& p, const Machine& m) {
  latency_ = static_cast<uint32_t>(p.number("gmbus", "latency", 2));
  uint32_t pending = static_cast<uint32_t>(p.number("gmbus", "sdvo_pending_reads", 1));
  bool ddc = p.flag("gmbus", "sdvo_ddc", true);
  if (p.flag("gmbus", "analog_edid", true)) analog_edid_ = std::make_unique<EdidMemory>("LUMA 17", false, 0x0017);
  if (p.flag("gmbus", "sdvo70", true)) sdvo_[0x70] = std::make_unique<SdvoDevice>(0x70, pending, ddc);
  if (p.flag("gmbus", "sdvo72", true)) sdvo_[0x72] = std::make_unique<SdvoDevice>(0x72, pending, ddc);
  nak_left_ = m.has_fault("gmbus_nak") ? p.number("faults", "gmbus_nak", 1) : 0;
  stall_left_ = m.has_fault("gmbus_stall") ? p.number("faults", "gmbus_stall", 1) : 0;
  never_ready_ = m.has_fault("gmbus_never_ready") && p.flag("faults", "gmbus_never_ready", true);
}

GmbusModel::~GmbusModel() = default;

SdvoDevice* GmbusModel::sdvo(uint8_t address) {
  auto it = sdvo_.find(address);
  return it == sdvo_.end() ? nullptr : it->second.get();
}

uint8_t GmbusModel::last_switch_argument(uint8_t address) const {
  auto it = sdvo_.find(address);
  return it == sdvo_.end() ? 0 : it->second->last_switch;
}

I2cTarget* GmbusModel::resolve(uint8_t address) {
  uint32_t pins = select_ & 7;
  address &= 0xFE;
  routed_ = false;
  if (pins == 2) return address == 0xA0 ? analog_edid_.get() : nullptr;
  if (pins != 5) return nullptr;
  if (SdvoDevice* d = sdvo(address)) return d;
  for (auto& [addr, dev] : sdvo_)
    if (I2cTarget* t = dev->routed(address)) {
      routed_ = true;
      return t;
    }
  return nullptr;
}

void GmbusModel::reset() {
  if (target_) target_->stop();
  target_ = nullptr;
  ga_ = hw_rdy_ = nak_ = stall_ = wait_phase_ = false;
  event_ = Event::None;
  remaining_ = 0;
}

void GmbusModel::finish() {
  if (stop_after_) {
    if (target_) target_->stop();
    if (routed_)
      for (auto& [addr, dev] : sdvo_) dev->routed_stop();
    target_ = nullptr;
    ga_ = false;
  } else {
    wait_phase_ = true;
  }
  hw_rdy_ = true;
}

void GmbusModel::schedule(Event e) {
  event_ = e;
  countdown_ = latency_;
  if (countdown_ == 0) {
    event_ = Event::None;
    run(e);
  }
}

void GmbusModel::run(Event e) {
  if (!target_) return;
  if (e == Event::Load) {
    uint32_t n = remaining_ < 4 ? remaining_ : 4, word = 0;
    for (uint32_t i = 0; i < n; ++i) word |= uint32_t(target_->read()) << (8 * i);
    data_out_ = word;
    remaining_ -= n;
    hw_rdy_ = true;
    if (remaining_ == 0) finish();
  } else if (e == Event::Consumed) {
    hw_rdy_ = true;
    if (remaining_ == 0) finish();
  }
}

void GmbusModel::start(uint32_t command) {
  uint32_t count = (command >> 16) & 0x1FF;
  uint32_t cycle = command & (CYCLE_WAIT | CYCLE_INDEX | CYCLE_STOP);
  uint8_t address = uint8_t(command & 0xFF);
  if (cycle == CYCLE_STOP && count == 0) {  // a stop cycle ends the transfer
    if (target_) target_->stop();
    if (routed_ && target_)
      for (auto& [addr, dev] : sdvo_) dev->routed_stop();
    target_ = nullptr;
    ga_ = wait_phase_ = false;
    hw_rdy_ = true;
    event_ = Event::None;
    return;
  }
  ga_ = true;
  hw_rdy_ = false;
  wait_phase_ = false;
  event_ = Event::None;
  if (never_ready_) return;
  if (nak_left_ > 0 || stall_left_ > 0) {
    if (nak_left_ > 0) --nak_left_, nak_ = true;
    else --stall_left_, stall_ = true;
    hw_rdy_ = true;
    target_ = nullptr;
    return;
  }
  target_ = resolve(address);
  if (!target_) {
    nak_ = true;
    hw_rdy_ = true;
    return;
  }
  if (cycle & CYCLE_INDEX) target_->set_pointer(uint8_t(command >> 8));
  reading_ = command & 1;
  stop_after_ = cycle & CYCLE_STOP;
  remaining_ = count;
  if (reading_) {
    schedule(Event::Load);
  } else {
    uint32_t n = remaining_ < 4 ? remaining_ : 4;
    for (uint32_t i = 0; i < n; ++i) target_->write(uint8_t(data_in_ >> (8 * i)));
    remaining_ -= n;
    schedule(Event::Consumed);
  }
}

uint32_t GmbusModel::read(uint32_t reg) {
  switch (reg) {
    case kSelect: return select_;
    case kIndex: return index_;
    case kStatus: {
      if (event_ != Event::None && --countdown_ == 0) {
        Event e = event_;
        event_ = Event::None;
        run(e);
      }
      return (ga_ ? GA : 0) | (nak_ ? NAK : 0) | (hw_rdy_ ? HW_RDY : 0) | (stall_ ? STALL : 0) |
             (wait_phase_ ? WAIT : 0);
    }
    case kData: {
      uint32_t v = data_out_;
      if (reading_ && target_ && hw_rdy_ && !wait_phase_ && ga_) {
        hw_rdy_ = false;
        if (remaining_ > 0) schedule(Event::Load);
      } else if (reading_ && wait_phase_) {
        hw_rdy_ = false;
      }
      return v;
    }
    default: return 0;
  }
}

void GmbusModel::write(uint32_t reg, uint32_t value) {
  switch (reg) {
    case kSelect: select_ = value & 0x7FF; break;
    case kIndex: index_ = value; break;
    case kData:
      data_in_ = value;
      // In the middle of a write transfer, the next four bytes go out.
      if (target_ && !reading_ && ga_ && hw_rdy_ && remaining_ > 0) {
        uint32_t n = remaining_ < 4 ? remaining_ : 4;
        for (uint32_t i = 0; i < n; ++i) target_->write(uint8_t(value >> (8 * i)));
        remaining_ -= n;
        hw_rdy_ = false;
        schedule(Event::Consumed);
      }
      break;
    case kCommand:
      if (value & SW_CLR_INT)
        reset();
      else if (value & (CYCLE_WAIT | CYCLE_INDEX | CYCLE_STOP | 0x01FF0000))
        start(value);
      break;
    default: break;
  }
}

// ---- PCI functions and memory ---------------------------------------------

namespace {

bool parse_bdf(const std::string& text, uint32_t& bus, uint32_t& dev, uint32_t& fn) {
  unsigned b, d, f;
  char tail;
  if (std::sscanf(text.c_str(), "%u:%u.%u%c", &b, &d, &f, &tail) != 3 || b > 255 || d > 31 || f > 7) return false;
  bus = b, dev = d, fn = f;
  return true;
}

void put(std::array<uint8_t, 256>& c, uint32_t offset, uint64_t value, unsigned size) {
  for (unsigned i = 0; i < size && offset + i < 256; ++i) c[offset + i] = uint8_t(value >> (8 * i));
}

struct Field {
  const char* key;
  uint32_t offset;
  unsigned size;
};
const Field kFields[] = {
    {"vendor", 0, 2},      {"device", 2, 2},         {"command", 4, 2}, {"status", 6, 2},
    {"revision", 8, 1},    {"class", 9, 3},          {"header_type", 14, 1},
    {"bar0", 0x10, 4},     {"bar1", 0x14, 4},        {"bar2", 0x18, 4}, {"bar3", 0x1C, 4},
    {"bar4", 0x20, 4},     {"bar5", 0x24, 4},        {"subsys_vendor", 0x2C, 2},
    {"subsys", 0x2E, 2},   {"interrupt_pin", 0x3D, 1},
};

// Raw keys: byte_XX, word_XX, dword_XX with a hexadecimal offset.
bool raw_key(const std::string& key, uint32_t& offset, unsigned& size) {
  size_t us = key.find('_');
  if (us == std::string::npos) return false;
  std::string kind = key.substr(0, us);
  size = kind == "byte" ? 1 : kind == "word" ? 2 : kind == "dword" ? 4 : 0;
  char* end = nullptr;
  unsigned long v = std::strtoul(key.c_str() + us + 1, &end, 16);
  if (!size || !end || *end || end == key.c_str() + us + 1 || v + size > 256) return false;
  offset = static_cast<uint32_t>(v);
  return true;
}

constexpr long long kLargestMmioWindow = 0x100000;

bool check_profile(const Profile& p, std::string& error) {
  for (const std::string& name : p.sections_named("pci")) {
    uint32_t b, d, f;
    if (!parse_bdf(name.substr(4), b, d, f)) {
      error = "[" + name + "]: expected [pci bus:device.function]";
      return false;
    }
    for (auto& [key, value] : *p.section(name)) {
      long long v;
      bool known = false;
      for (const Field& fl : kFields) known |= key == fl.key;
      uint32_t off;
      unsigned size;
      if (!known && !raw_key(key, off, size)) {
        error = "[" + name + "] " + key + ": unknown key (vendor, device, revision, class, command, bar0..bar5, "
                "byte_XX, word_XX, dword_XX ...)";
        return false;
      }
      if (!parse_number(value, v) || v < 0 || v > 0xFFFFFFFFLL) {
        error = "[" + name + "] " + key + ": not a 32-bit number: " + value;
        return false;
      }
    }
  }
  for (const char* sec : {"fuses", "mmio 2", "mmio 3", "mmio 2 read_only", "mmio 3 read_only", "gmbus"})
    if (const Profile::Section* s = p.section(sec))
      for (auto& [key, value] : *s) {
        long long v;
        bool numeric_key = std::string(sec) == "gmbus" || parse_number(key, v);
        bool flag_value = std::string(sec) == "gmbus" && (value == "yes" || value == "no" || value == "true" ||
                                                          value == "false" || value == "on" || value == "off");
        if (!numeric_key || (!flag_value && (!parse_number(value, v) || v < 0 || v > 0xFFFFFFFFLL))) {
          error = "[" + std::string(sec) + "] " + key + " = " + value + ": expected numbers";
          return false;
        }
        // A register outside the largest window would land in other memory.
        long long offset;
        if (std::string(sec).rfind("mmio", 0) == 0 && parse_number(key, offset) &&
            (offset < 0 || offset + 4 > kLargestMmioWindow)) {
          error = "[" + std::string(sec) + "] " + key + ": outside the 1 MiB register window";
          return false;
        }
      }
  for (const char* key : {"gmbus_nak", "gmbus_stall", "driver_start_fail"})
    if (p.has("faults", key)) {
      long long v;
      std::string value = p.get("faults", key);
      if (!value.empty() && (!parse_number(value, v) || v < 0)) {
        error = std::string("[faults] ") + key + ": expected a count, got " + value;
        return false;
      }
    }
  return true;
}

const bool kRegistered = [] {
  register_profile_check("hardware", check_profile);
  return true;
}();

}  // namespace

// The BAR that holds a function's registers: the one the driver's BAR table
// names, so the hardware and the driver agree on every device id.
uint32_t Hardware::mmio_bar(const Function& fn, uint32_t device) {
  uint16_t id;
  std::memcpy(&id, &fn.config[2], 2);
  const hwpeek::BarRow& row = device == 3 ? hwpeek::gmch_bar_row_dev3() : hwpeek::gmch_bar_row(id);
  uint32_t bar;
  std::memcpy(&bar, &fn.config[0x10 + 4 * (row.mmio_bar % 6)], 4);
  return bar;
}

Hardware::Hardware(Machine& machine) : machine_(machine), gmbus_(machine.profile(), machine) {
  (void)kRegistered;
  const Profile& p = machine.profile();
  bool no_dev3 = machine.has_fault("device3_absent");
  for (const std::string& name : p.sections_named("pci")) {
    uint32_t b, d, f;
    if (!parse_bdf(name.substr(4), b, d, f)) continue;
    if (no_dev3 && b == 0 && d == 3) continue;
    Function& fn = functions_[b << 8 | d | f << 5];
    for (auto& [key, value] : *p.section(name)) {
      long long v = 0;
      parse_number(value, v);
      uint32_t off;
      unsigned size;
      for (const Field& fl : kFields)
        if (key == fl.key) put(fn.config, fl.offset, static_cast<uint64_t>(v), fl.size);
      if (raw_key(key, off, size)) put(fn.config, off, static_cast<uint64_t>(v), size);
    }
  }
  if (const Profile::Section* s = p.section("fuses"))
    for (auto& [key, value] : *s) {
      long long k = 0, v = 0;
      parse_number(key, k);
      parse_number(value, v);
      fuses_[static_cast<uint32_t>(k)] = static_cast<uint32_t>(v);
    }
  preload_memory();
  for (uint32_t dev : {2u, 3u}) {
    const Profile::Section* s = p.section("mmio " + std::to_string(dev));
    Function* fn = function(0, dev);
    if (!s || !fn) continue;
    uint32_t bar = mmio_bar(*fn, dev);
    for (auto& [key, value] : *s) {
      long long k = 0, v = 0;
      parse_number(key, k);
      parse_number(value, v);
      phys_write((bar & ~0xFu) + static_cast<uint64_t>(k), 4, static_cast<uint32_t>(v));
    }
  }
  for (uint32_t dev : {2u, 3u})
    if (const Profile::Section* s = p.section("mmio " + std::to_string(dev) + " read_only"))
      for (auto& [key, value] : *s) {
        long long k = 0, v = 0;
        parse_number(key, k);
        parse_number(value, v);
        read_only_[dev - 2][static_cast<uint32_t>(k) & ~3u] |= static_cast<uint32_t>(v);
      }
  booted_ = true;
  if (Function* fn = function(0, 2)) {
    uint16_t id;
    std::memcpy(&id, &fn->config[2], 2);
    uint32_t aperture;
    std::memcpy(&aperture, &fn->config[0x10 + 4 * (hwpeek::gmch_bar_row(id).aperture_bar % 6)], 4);
    // The driver maps graphics memory from the aperture BAR's top byte.
    engine_ = std::make_unique<GraphicsEngine>(machine, *this, id, mmio_bar(*fn, 2) & ~0xFu, aperture & 0xFF000000u,
                                               p.flag("gmbus", "sdvo70", true), p.flag("gmbus", "sdvo72", true));
    engine_->build_rings();
  }
}

void Hardware::before_mapping() {
  if (!engine_) return;
  // The display registers catch up with the screens first: the pictures
  // follow them.
  if (Function* fn = function(0, 2)) follow_display((mmio_bar(*fn, 2) & ~0xFu) + 0x70180);
  engine_->sync_planes();
}

Hardware::~Hardware() = default;

Hardware::Function* Hardware::function(uint32_t bus, uint32_t slot) {
  auto it = functions_.find(bus << 8 | (slot & 0xFF));
  return it == functions_.end() ? nullptr : &it->second;
}

uint32_t Hardware::config_read(uint32_t bus, uint32_t slot, void* buffer, uint32_t offset, uint32_t length) {
  Function* fn = function(bus, slot);
  if (!fn || offset >= 256) return 0;
  uint32_t n = length < 256 - offset ? length : 256 - offset;
  std::memcpy(buffer, fn->config.data() + offset, n);
  // The host bridge's data register answers the fuse that the control
  // register selects.
  if (bus == 0 && slot == 0)
    for (uint32_t i = 0; i < n; ++i)
      if (offset + i >= 0xD4 && offset + i < 0xD8) {
        uint32_t control;
        std::memcpy(&control, &fn->config[0xD0], 4);
        auto it = fuses_.find(control);
        uint32_t data = it == fuses_.end() ? 0 : it->second;
        static_cast<uint8_t*>(buffer)[i] = uint8_t(data >> (8 * (offset + i - 0xD4)));
      }
  return n;
}

uint32_t Hardware::config_write(uint32_t bus, uint32_t slot, const void* buffer, uint32_t offset, uint32_t length) {
  Function* fn = function(bus, slot);
  if (!fn || offset >= 256) return 0;
  uint32_t n = length < 256 - offset ? length : 256 - offset;
  const uint8_t* in = static_cast<const uint8_t*>(buffer);
  for (uint32_t i = 0; i < n; ++i) {
    uint32_t at = offset + i;
    // Identification bytes are read-only.
    if (at < 4 || (at >= 8 && at < 12)) continue;
    fn->config[at] = in[i];
  }
  return n;
}

bool Hardware::in_gmbus(uint64_t address, uint32_t& reg) {
  Function* fn = function(0, 2);
  if (!fn) return false;
  uint64_t base = mmio_bar(*fn, 2) & ~0xFu;
  if (!base || address < base + 0x5100 || address >= base + 0x5124) return false;
  reg = static_cast<uint32_t>(address - base);
  return true;
}

uint8_t& Hardware::byte(uint64_t address) {
  auto& page = pages_[address >> 12];
  if (page.empty()) page.assign(4096, 0);
  return page[address & 0xFFF];
}

uint32_t Hardware::phys_read(uint64_t address, unsigned size) {
  ++register_accesses;
  follow_display(address);
  uint32_t reg;
  if (in_gmbus(address, reg)) return gmbus_.read(reg & ~3u) >> (8 * (reg & 3));
  uint32_t v;
  // Its vertical blank bits follow the pipes' enables, which follow the screens.
  if (engine_ && engine_->is_interrupt_status(address))
    if (Function* fn = function(0, 2)) follow_display((mmio_bar(*fn, 2) & ~0xFu) + 0x70008);
  if (engine_ && engine_->read(address, size, v)) return v;
  return mem_read(address, size);
}

uint32_t Hardware::keep_read_only(uint64_t address, unsigned size, uint32_t value) {
  for (uint32_t dev : {2u, 3u}) {
    const auto& bits = read_only_[dev - 2];
    Function* fn = bits.empty() ? nullptr : function(0, dev);
    if (!fn) continue;
    uint64_t base = mmio_bar(*fn, dev) & ~0xFu;
    if (!base || address < base || address - base >= static_cast<uint64_t>(kLargestMmioWindow)) continue;
    uint64_t offset = address - base;
    auto it = bits.find(static_cast<uint32_t>(offset & ~3u));
    if (it == bits.end()) continue;
    unsigned shift = 8 * static_cast<unsigned>(offset & 3);
    uint32_t width = size >= 4 ? 0xFFFFFFFFu : (1u << (8 * size)) - 1;
    uint32_t mask = (it->second >> shift) & width;
    return (value & ~mask) | (mem_read(address, size) & mask);
  }
  return value;
}

uint32_t Hardware::mem_read(uint64_t address, unsigned size) {
  uint32_t v = 0;
  // One page lookup for an access inside a page.
  if ((address & 0xFFF) + size <= 0x1000) {
    auto it = pages_.find(address >> 12);
    if (it == pages_.end()) return 0;
    for (unsigned i = 0; i < size; ++i) v |= uint32_t(it->second[(address & 0xFFF) + i]) << (8 * i);
    return v;
  }
  for (unsigned i = 0; i < size; ++i) {
    auto it = pages_.find((address + i) >> 12);
    uint8_t b = it == pages_.end() ? 0 : it->second[(address + i) & 0xFFF];
    v |= uint32_t(b) << (8 * i);
  }
  return v;
}

void Hardware::mem_write(uint64_t address, unsigned size, uint32_t value) {
  for (unsigned i = 0; i < size; ++i) byte(address + i) = uint8_t(value >> (8 * i));
}

// The graphics engine's drawing: the test pattern and the rings. Aperture
// bytes the profile preloaded stay as the profile put them.
void Hardware::mem_fill(uint64_t address, const uint8_t* bytes, size_t count) {
  while (count) {
    size_t in_page = 0x1000 - (address & 0xFFF);
    size_t n = count < in_page ? count : in_page;
    uint64_t keep_from = address + n;  // first preloaded byte in this piece
    uint64_t keep_to = address + n;
    for (auto& [first, end] : preloaded_)
      if (first < address + n && end > address) {
        uint64_t from = first > address ? first : address;
        if (from < keep_from) keep_from = from, keep_to = end;
      }
    if (keep_from > address) {
      n = static_cast<size_t>(keep_from - address);
      std::memcpy(&byte(address), bytes, n);
    } else {
      n = static_cast<size_t>(std::min<uint64_t>(keep_to, address + n) - address);  // skip preloaded bytes
    }
    address += n, bytes += n, count -= n;
  }
}

void Hardware::phys_write(uint64_t address, unsigned size, uint32_t value) {
  ++register_accesses;
  follow_display(address);
  uint32_t reg;
  if (in_gmbus(address, reg)) {
    gmbus_.write(reg & ~3u, value);
    return;
  }
  // The profile's registers go in whole; later writes keep read-only bits.
  if (booted_) value = keep_read_only(address, size, value);
  mem_write(address, size, value);
  if (engine_) engine_->written(address, size, value);
}

}  // namespace sim
