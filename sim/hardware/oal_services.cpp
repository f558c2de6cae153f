// The simulated service control manager and the hwpeek device: the platform
// layer's service calls on the simulated machine. The service database is
// the machine's "services" state, shared by every process on the state
// directory: a service one process creates, stops or deletes is so for all
// of them, and one left behind by an earlier run is still there. Each call
// reads the database as saved and changes it under its lock. A service
// marked for deletion goes when this process's last handle to it closes and
// it is not running. Starting a service loads its image file: only the
// hwpeek image starts, and the running driver serves "\\.\HwPeekDev"
// through the portable request engine over the hardware model; each process
// runs its own copy of the driver for as long as the service runs.
#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "devices.h"
#include "driver_image.h"
#include "hardware.h"
#include "handles.h"
#include "oal/services.h"
#include "hwpeek/hwpeek.h"
#include "sim_hw_access.h"

namespace sim {
namespace {

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

struct RunningDriver {
  RunningDriver(Machine& m) : access(m, m.part<Hardware>()), driver(access) {}
  SimHwAccess access;
  hwpeek::Driver driver;
};

class ServiceManager : public Part {
 public:
  // A service as the database holds it. `instance` counts its starts, so a
  // device opened on one run of the driver is not served by the next.
  struct Service {
    std::string key, name, display, path;
    DWORD type = 0, start = 0, error = 0;
    bool running = false, delete_pending = false;
    long long instance = 0;
  };
  using Values = StateFile::Values;

  explicit ServiceManager(Machine& m) : machine_(m), state_(m.state("services")) {
    m.part<Hardware>();  // running drivers use it: it must outlive them
    current() = this;
    start_failures_left_ = m.has_fault("driver_start_fail") ? m.profile().number("faults", "driver_start_fail", 1) : 0;
    start_error_ = static_cast<DWORD>(m.profile().number("faults", "driver_start_error", ERROR_GEN_FAILURE));
    held_ = m.has_fault("service_held");
    // This process holds no handle yet: pending deletions of stopped
    // services complete now (unless another program holds them open).
    for (const std::string& key : held_ ? std::vector<std::string>{} : service_keys())
      state_.update([&](Values& v) {
        auto s = read(v, key);
        return s && s->delete_pending && !s->running && erase(v, key);
      });
  }
  ~ServiceManager() override {
    if (current() == this) current() = nullptr;
  }
  static ServiceManager*& current() {
    static ServiceManager* m = nullptr;
    return m;
  }

  std::optional<Service> find(const std::string& name) const { return read(state_.values(), lower(name)); }

  bool create(const std::string& name, const std::string& display, DWORD type, DWORD start, DWORD error,
              const std::string& path) {
    DWORD refused = 0;
    Service s;
    s.key = lower(name);
    s.name = name;
    s.display = display.empty() ? name : display;
    s.type = type, s.start = start, s.error = error, s.path = path;
    bool written = state_.update([&](Values& v) {
      if (auto old = read(v, s.key)) {
        refused = old->delete_pending ? ERROR_SERVICE_MARKED_FOR_DELETE : ERROR_SERVICE_EXISTS;
        return false;
      }
      write(v, s);
      return true;
    });
    if (refused) return fail(refused);
    return written || fail(ERROR_GEN_FAILURE);
  }

  bool start(const std::string& key) {
    auto s = find(key);
    if (!s) return fail(ERROR_SERVICE_DOES_NOT_EXIST);
    if (s->delete_pending) return fail(ERROR_SERVICE_MARKED_FOR_DELETE);
    if (s->running) return fail(ERROR_SERVICE_ALREADY_RUNNING);
    if (s->start == SERVICE_DISABLED) return fail(ERROR_SERVICE_DISABLED);
    if (start_failures_left_ > 0) {
      --start_failures_left_;
      return fail(start_error_);
    }
    std::ifstream f(machine_.host_path(s->path), std::ios::binary);
    if (!f) return fail(ERROR_FILE_NOT_FOUND);
    std::string image((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    if (s->type != SERVICE_KERNEL_DRIVER ||
        !is_hwpeek_image(reinterpret_cast<const uint8_t*>(image.data()), image.size()))
      return fail(ERROR_BAD_EXE_FORMAT);
    // Checked again as saved now: another process may have started,
    // stopped or deleted it meanwhile.
    DWORD refused = 0;
    bool written = state_.update([&](Values& v) {
      auto now = read(v, key);
      refused = !now                  ? ERROR_SERVICE_DOES_NOT_EXIST
                : now->delete_pending ? ERROR_SERVICE_MARKED_FOR_DELETE
                : now->running        ? ERROR_SERVICE_ALREADY_RUNNING
                                      : 0;
      if (refused) return false;
      now->running = true;
      ++now->instance;
      write(v, *now);
      return true;
    });
    if (refused) return fail(refused);
    if (!written) return fail(ERROR_GEN_FAILURE);
    driver_of(*find(key));
    return true;
  }

  bool stop(const std::string& key, SERVICE_STATUS* status) {
    std::optional<Service> stopped;
    bool written = state_.update([&](Values& v) {
      auto now = read(v, key);
      if (!now || !now->running) return false;
      now->running = false;
      write(v, *now);
      stopped = now;
      return true;
    });
    if (!stopped) return fail(written ? ERROR_SERVICE_NOT_ACTIVE : ERROR_GEN_FAILURE);
    // The driver unloads in this process; the other processes' copies stop
    // serving when they see the service stopped.
    Service was = *stopped;
    was.running = true;
    hwpeek::drv_unload(driver_of(was)->driver);
    drivers_.erase(key);
    fill(*stopped, status);
    return true;
  }

  void fill(const Service& s, SERVICE_STATUS* status) {
    if (!status) return;
    std::memset(status, 0, sizeof *status);
    status->dwServiceType = s.type;
    status->dwCurrentState = s.running ? SERVICE_RUNNING : SERVICE_STOPPED;
    status->dwControlsAccepted = s.running ? 1 : 0;
  }

  bool mark_delete(const std::string& key) {
    DWORD refused = 0;
    bool written = state_.update([&](Values& v) {
      auto now = read(v, key);
      refused = !now ? ERROR_SERVICE_DOES_NOT_EXIST : now->delete_pending ? ERROR_SERVICE_MARKED_FOR_DELETE : 0;
      if (refused) return false;
      now->delete_pending = true;
      write(v, *now);
      return true;
    });
    if (refused) return fail(refused);
    return written || fail(ERROR_GEN_FAILURE);
  }

  void opened(const std::string& key) { ++handles_[key]; }
  void closed(const std::string& key) {
    auto it = handles_.find(key);
    if (it != handles_.end() && --it->second > 0) return;
    if (it != handles_.end()) handles_.erase(it);
    if (held_) return;
    state_.update([&](Values& v) {
      auto s = read(v, key);
      return s && s->delete_pending && !s->running && erase(v, key);
    });
  }

  // This process's copy of a running service's driver.
  RunningDriver* driver_of(const Service& s) {
    if (!s.running) {
      drivers_.erase(s.key);
      return nullptr;
    }
    Loaded& d = drivers_[s.key];
    if (!d.driver || d.instance != s.instance) {
      d.driver = std::make_unique<RunningDriver>(machine_);
      d.instance = s.instance;
      hwpeek::drv_load(d.driver->driver, __DATE__, __TIME__);
    }
    return d.driver.get();
  }

  // The running service behind "\\.\HwPeekDev", as saved now.
  std::optional<Service> hwpeek_service() const {
    for (const std::string& key : service_keys())
      if (auto s = find(key); s && s->running) return s;
    return std::nullopt;
  }

 private:
  struct Loaded {
    long long instance = 0;
    std::unique_ptr<RunningDriver> driver;
  };

  bool fail(DWORD code) {
    set_last_error(code);
    return false;
  }
  std::vector<std::string> service_keys() const {
    std::vector<std::string> out;
    for (const std::string& key : state_.keys()) {
      size_t dot = key.rfind('.');
      if (dot != std::string::npos && key.compare(dot, std::string::npos, ".path") == 0)
        out.push_back(key.substr(0, dot));
    }
    return out;
  }
  static std::optional<Service> read(const Values& v, const std::string& key) {
    auto get = [&](const char* field, const char* fallback) {
      auto it = v.find(key + field);
      return it == v.end() ? std::string(fallback) : it->second;
    };
    if (!v.count(key + ".path")) return std::nullopt;
    Service s;
    s.key = key;
    s.name = get(".name", key.c_str());
    s.display = get(".display", key.c_str());
    s.path = get(".path", "");
    long long n = 0;
    s.type = parse_number(get(".type", ""), n) ? static_cast<DWORD>(n) : SERVICE_KERNEL_DRIVER;
    s.start = parse_number(get(".start", ""), n) ? static_cast<DWORD>(n) : SERVICE_DEMAND_START;
    s.error = parse_number(get(".error", ""), n) ? static_cast<DWORD>(n) : SERVICE_ERROR_NORMAL;
    s.running = get(".state", "stopped") == "running";
    s.delete_pending = get(".delete", "0") == "1";
    s.instance = parse_number(get(".instance", ""), n) ? n : 0;
    return s;
  }
  static void write(Values& v, const Service& s) {
    const std::string& k = s.key;
    v[k + ".name"] = s.name;
    v[k + ".display"] = s.display;
    v[k + ".path"] = s.path;
    v[k + ".type"] = std::to_string(s.type);
    v[k + ".start"] = std::to_string(s.start);
    v[k + ".error"] = std::to_string(s.error);
    v[k + ".state"] = s.running ? "running" : "stopped";
    v[k + ".delete"] = s.delete_pending ? "1" : "0";
    v[k + ".instance"] = std::to_string(s.instance);
  }
  static bool erase(Values& v, const std::string& key) {
    std::string prefix = key + ".";
    for (auto it = v.lower_bound(prefix); it != v.end() && it->first.compare(0, prefix.size(), prefix) == 0;)
      it = v.erase(it);
    return true;
  }

  Machine& machine_;
  StateFile& state_;
  std::map<std::string, int> handles_;     // this process's open handles, by service
  std::map<std::string, Loaded> drivers_;  // this process's copies of running drivers
  long long start_failures_left_ = 0;
  DWORD start_error_ = ERROR_GEN_FAILURE;
  bool held_ = false;  // the fault "service_held": another program's handle keeps deletions pending
};

class ScManagerHandle : public Object {};

class ServiceHandle : public Object {
 public:
  ServiceHandle(ServiceManager* m, std::string k) : manager(m), key(std::move(k)) { manager->opened(key); }
  ~ServiceHandle() override {
    if (ServiceManager::current() == manager) manager->closed(key);
  }
  // The service as saved now; null (and ERROR_INVALID_HANDLE) once it is gone.
  ServiceManager* live() {
    if (ServiceManager::current() == manager && manager->find(key)) return manager;
    set_last_error(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  ServiceManager* manager;
  std::string key;
};

DWORD NTSTATUS_to_error(int32_t status) {
  return status == hwpeek::kStatusInvalidParameter ? ERROR_INVALID_PARAMETER : ERROR_GEN_FAILURE;
}

// The fault "dump_fail = offset": the dump request that starts at that
// offset fails, as a device that stops answering in the middle of a
// multi-chunk dump would.
bool dump_fails(DWORD code, const void* in, DWORD in_size) {
  Machine& m = Machine::get();
  if (!m.has_fault("dump_fail") || in_size < sizeof(hwpeek::MmioRequest)) return false;
  if (code != hwpeek::IOCTL_DUMP_MMIO && code != hwpeek::IOCTL_DUMP_GMADR && code != hwpeek::IOCTL_DUMP_MEMORY)
    return false;
  long long offset = -1;
  parse_number(m.fault_value("dump_fail"), offset);
  hwpeek::MmioRequest q;
  std::memcpy(&q, in, sizeof q);
  return q.reg == offset;
}

// A handle to the device of one run of the driver: once that run stops,
// here or in another process, its requests fail.
class HwPeekDevice : public Device {
 public:
  HwPeekDevice(ServiceManager* m, std::string key, long long instance)
      : manager_(m), key_(std::move(key)), instance_(instance) {}
  bool control(DWORD code, const void* in, DWORD in_size, void* out, DWORD out_size, DWORD& returned) override {
    returned = 0;
    std::optional<ServiceManager::Service> s;
    if (ServiceManager::current() == manager_) s = manager_->find(key_);
    RunningDriver* running = s && s->running && s->instance == instance_ ? manager_->driver_of(*s) : nullptr;
    if (!running) {
      set_last_error(ERROR_DEVICE_NOT_CONNECTED);
      return false;
    }
    if ((in_size && !in) || (out_size && !out)) {
      set_last_error(ERROR_INVALID_PARAMETER);
      return false;
    }
    if (dump_fails(code, in, in_size)) {
      set_last_error(ERROR_GEN_FAILURE);
      return false;
    }
    // Buffered transfer: one system buffer for input and output.
    std::vector<uint8_t> system(std::max(in_size, out_size));
    if (in_size) std::memcpy(system.data(), in, in_size);
    uint32_t information = 0;
    int32_t status = hwpeek::drv_device_control(running->driver, code, system.empty() ? nullptr : system.data(),
                                                in_size, out_size, &information);
    if (status != hwpeek::kStatusSuccess) {
      set_last_error(NTSTATUS_to_error(status));
      return false;
    }
    returned = std::min<DWORD>(information, out_size);
    if (returned) std::memcpy(out, system.data(), returned);
    return true;
  }

 private:
  ServiceManager* manager_;
  std::string key_;
  long long instance_;
};

const bool kDevice = [] {
  register_device("HwPeekDev", [](Machine& m) -> std::unique_ptr<Device> {
    auto& sm = m.part<ServiceManager>();
    auto s = sm.hwpeek_service();
    // "device_missing": the driver runs but never created its device.
    if (!s || m.has_fault("device_missing")) {
      set_last_error(ERROR_FILE_NOT_FOUND);
      return nullptr;
    }
    if (m.has_fault("not_administrator")) {
      set_last_error(ERROR_ACCESS_DENIED);
      return nullptr;
    }
    return std::make_unique<HwPeekDevice>(&sm, s->key, s->instance);
  });
  return true;
}();

ServiceManager* manager_for(SC_HANDLE handle) {
  if (!lookup<ScManagerHandle>(handle)) {
    set_last_error(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return &Machine::get().part<ServiceManager>();
}

ServiceHandle* service_for(SC_HANDLE handle) {
  auto* h = lookup<ServiceHandle>(handle);
  if (!h) set_last_error(ERROR_INVALID_HANDLE);
  return h && h->live() ? h : nullptr;
}

}  // namespace
}  // namespace sim

namespace oal {

SC_HANDLE OpenSCManagerA(LPCSTR, LPCSTR, DWORD access) {
  auto& m = sim::Machine::get();
  (void)sim::kDevice;
  if (m.fault()) {
    sim::set_last_error(ERROR_FILE_CORRUPT);
    return nullptr;
  }
  // Anyone may connect and look; only an administrator may change services.
  constexpr DWORD kAnyoneMay = 0x0001 | 0x0004 | 0x0010 | GENERIC_READ;  // connect, enumerate, query lock
  if (m.has_fault("not_administrator") && (access & ~kAnyoneMay)) {
    sim::set_last_error(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  return sim::make_handle(std::make_unique<sim::ScManagerHandle>());
}

SC_HANDLE OpenServiceA(SC_HANDLE manager, LPCSTR name, DWORD) {
  sim::ServiceManager* sm = sim::manager_for(manager);
  if (!sm) return nullptr;
  if (!name || !sm->find(name)) {
    sim::set_last_error(name ? ERROR_SERVICE_DOES_NOT_EXIST : ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return sim::make_handle(std::make_unique<sim::ServiceHandle>(sm, sim::lower(name)));
}

SC_HANDLE CreateServiceA(SC_HANDLE manager, LPCSTR name, LPCSTR display_name, DWORD, DWORD service_type,
                         DWORD start_type, DWORD error_control, LPCSTR binary_path, LPCSTR, LPDWORD, LPCSTR,
                         LPCSTR, LPCSTR) {
  sim::ServiceManager* sm = sim::manager_for(manager);
  if (!sm) return nullptr;
  if (!name || !*name || !binary_path || !*binary_path || start_type > SERVICE_DISABLED) {
    sim::set_last_error(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (!sm->create(name, display_name ? display_name : "", service_type, start_type, error_control, binary_path))
    return nullptr;
  return sim::make_handle(std::make_unique<sim::ServiceHandle>(sm, sim::lower(name)));
}

BOOL StartServiceA(SC_HANDLE service, DWORD, LPCSTR*) {
  sim::ServiceHandle* h = sim::service_for(service);
  return h && h->manager->start(h->key) ? TRUE : FALSE;
}

BOOL ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status) {
  sim::ServiceHandle* h = sim::service_for(service);
  if (!h) return FALSE;
  if (control == SERVICE_CONTROL_STOP) return h->manager->stop(h->key, status) ? TRUE : FALSE;
  if (control == SERVICE_CONTROL_INTERROGATE) {
    auto s = h->manager->find(h->key);
    if (!s) return FALSE;
    h->manager->fill(*s, status);
    return TRUE;
  }
  sim::set_last_error(ERROR_INVALID_SERVICE_CONTROL);
  return FALSE;
}

BOOL DeleteService(SC_HANDLE service) {
  sim::ServiceHandle* h = sim::service_for(service);
  return h && h->manager->mark_delete(h->key) ? TRUE : FALSE;
}

BOOL CloseServiceHandle(SC_HANDLE handle) {
  if (!sim::lookup<sim::ScManagerHandle>(handle) && !sim::lookup<sim::ServiceHandle>(handle)) {
    sim::set_last_error(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return sim::close_handle(handle) ? TRUE : FALSE;
}

BOOL DeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD in_size, LPVOID out, DWORD out_size,
                     LPDWORD returned, void*) {
  if (returned) *returned = 0;
  auto* d = sim::lookup<sim::Device>(device);
  if (!d) {
    sim::set_last_error(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  DWORD got = 0;
  bool ok = d->control(code, in, in_size, out, out_size, got);
  if (returned) *returned = got;
  return ok ? TRUE : FALSE;
}

}  // namespace oal
