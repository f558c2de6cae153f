// The simulated service control manager and the hwpeek device. Services
// persist in the machine's "services" state, so one left behind by an
// earlier run is still there; a service marked for deletion goes when its
// last handle closes and it is not running. Starting a service loads its
// image file: only the hwpeek image starts, and the running driver serves
// "\\.\HwPeekDev" through the portable request engine over the hardware
// model.
#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>

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
  struct Service {
    std::string name, display, path;
    DWORD type = 0, start = 0, error = 0;
    bool running = false, delete_pending = false;
    int handles = 0;
    std::unique_ptr<RunningDriver> driver;
  };

  explicit ServiceManager(Machine& m) : machine_(m) {
    m.part<Hardware>();  // running drivers use it: it must outlive them
    current() = this;
    start_failures_left_ = m.has_fault("driver_start_fail") ? m.profile().number("faults", "driver_start_fail", 1) : 0;
    start_error_ = static_cast<DWORD>(m.profile().number("faults", "driver_start_error", ERROR_GEN_FAILURE));
    held_ = m.has_fault("service_held");
    StateFile& st = m.state("services");
    for (const std::string& key : st.keys()) {
      size_t dot = key.rfind('.');
      if (dot == std::string::npos || key.substr(dot) != ".path") continue;
      std::string name = key.substr(0, dot);
      Service s;
      s.name = st.get_or(name + ".name", name);
      s.display = st.get_or(name + ".display", name);
      s.path = st.get_or(key, "");
      s.type = static_cast<DWORD>(st.number_or(name + ".type", SERVICE_KERNEL_DRIVER));
      s.start = static_cast<DWORD>(st.number_or(name + ".start", SERVICE_DEMAND_START));
      s.error = static_cast<DWORD>(st.number_or(name + ".error", SERVICE_ERROR_NORMAL));
      s.running = st.get_or(name + ".state", "stopped") == "running";
      s.delete_pending = st.get_or(name + ".delete", "0") == "1";
      services_[name] = std::move(s);
    }
    // No process holds a handle any more: pending deletions of stopped
    // services complete now (unless another program holds them open).
    for (auto it = services_.begin(); !held_ && it != services_.end();) {
      auto next = std::next(it);
      if (it->second.delete_pending && !it->second.running) erase(it->first);
      it = next;
    }
  }
  ~ServiceManager() override {
    if (current() == this) current() = nullptr;
  }
  static ServiceManager*& current() {
    static ServiceManager* m = nullptr;
    return m;
  }

  Service* find(const std::string& name) {
    auto it = services_.find(lower(name));
    return it == services_.end() ? nullptr : &it->second;
  }

  Service* create(const std::string& name, const std::string& display, DWORD type, DWORD start, DWORD error,
                  const std::string& path) {
    if (Service* s = find(name)) {
      set_last_error(s->delete_pending ? ERROR_SERVICE_MARKED_FOR_DELETE : ERROR_SERVICE_EXISTS);
      return nullptr;
    }
    Service& s = services_[lower(name)];
    s.name = name;
    s.display = display.empty() ? name : display;
    s.type = type, s.start = start, s.error = error, s.path = path;
    save(s);
    return &s;
  }

  bool start(Service& s) {
    if (s.delete_pending) return fail(ERROR_SERVICE_MARKED_FOR_DELETE);
    if (s.running) return fail(ERROR_SERVICE_ALREADY_RUNNING);
    if (s.start == SERVICE_DISABLED) return fail(ERROR_SERVICE_DISABLED);
    if (start_failures_left_ > 0) {
      --start_failures_left_;
      return fail(start_error_);
    }
    std::ifstream f(machine_.host_path(s.path), std::ios::binary);
    if (!f) return fail(ERROR_FILE_NOT_FOUND);
    std::string image((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    if (s.type != SERVICE_KERNEL_DRIVER ||
        !is_hwpeek_image(reinterpret_cast<const uint8_t*>(image.data()), image.size()))
      return fail(ERROR_BAD_EXE_FORMAT);
    s.running = true;
    save(s);
    load(s);
    return true;
  }

  bool stop(Service& s, SERVICE_STATUS* status) {
    if (!s.running) return fail(ERROR_SERVICE_NOT_ACTIVE);
    if (!s.driver) load(s);
    hwpeek::drv_unload(s.driver->driver);
    s.driver.reset();
    s.running = false;
    save(s);
    fill(s, status);
    return true;
  }

  void fill(const Service& s, SERVICE_STATUS* status) {
    if (!status) return;
    std::memset(status, 0, sizeof *status);
    status->dwServiceType = s.type;
    status->dwCurrentState = s.running ? SERVICE_RUNNING : SERVICE_STOPPED;
    status->dwControlsAccepted = s.running ? 1 : 0;
  }

  bool mark_delete(Service& s) {
    if (s.delete_pending) return fail(ERROR_SERVICE_MARKED_FOR_DELETE);
    s.delete_pending = true;
    save(s);
    return true;
  }

  void closed(const std::string& name) {
    Service* s = find(name);
    if (!s) return;
    if (s->handles > 0) --s->handles;
    if (s->handles == 0 && s->delete_pending && !s->running && !held_) erase(lower(name));
  }

  // The driver behind "\\.\HwPeekDev": a running service of the hwpeek image.
  hwpeek::Driver* hwpeek_driver() {
    for (auto& [key, s] : services_)
      if (s.running) {
        if (!s.driver) load(s);
        return &s.driver->driver;
      }
    return nullptr;
  }

 private:
  bool fail(DWORD code) {
    set_last_error(code);
    return false;
  }
  void load(Service& s) {
    s.driver = std::make_unique<RunningDriver>(machine_);
    hwpeek::drv_load(s.driver->driver, __DATE__, __TIME__);
  }
  void save(const Service& s) {
    std::string k = lower(s.name);
    machine_.state("services").set_many({{k + ".name", s.name},
                                         {k + ".display", s.display},
                                         {k + ".path", s.path},
                                         {k + ".type", std::to_string(s.type)},
                                         {k + ".start", std::to_string(s.start)},
                                         {k + ".error", std::to_string(s.error)},
                                         {k + ".state", s.running ? "running" : "stopped"},
                                         {k + ".delete", s.delete_pending ? "1" : "0"}});
  }
  // By value: a caller may pass the map's own key, which the erase frees.
  void erase(std::string key) {
    services_.erase(key);
    machine_.state("services").erase_prefix(key + ".");
  }

  Machine& machine_;
  std::map<std::string, Service> services_;
  long long start_failures_left_ = 0;
  DWORD start_error_ = ERROR_GEN_FAILURE;
  bool held_ = false;  // the fault "service_held": another program's handle keeps deletions pending
};

class ScManagerHandle : public Object {};

class ServiceHandle : public Object {
 public:
  ServiceHandle(ServiceManager* m, std::string n) : manager(m), name(std::move(n)) {}
  ~ServiceHandle() override {
    if (ServiceManager::current() == manager) manager->closed(name);
  }
  ServiceManager::Service* service() {
    if (ServiceManager::current() != manager) return nullptr;
    return manager->find(name);
  }
  ServiceManager* manager;
  std::string name;
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

class HwPeekDevice : public Device {
 public:
  explicit HwPeekDevice(ServiceManager* m) : manager_(m) {}
  bool control(DWORD code, const void* in, DWORD in_size, void* out, DWORD out_size, DWORD& returned) override {
    returned = 0;
    hwpeek::Driver* drv = ServiceManager::current() == manager_ ? manager_->hwpeek_driver() : nullptr;
    if (!drv) {
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
    int32_t status = hwpeek::drv_device_control(*drv, code, system.empty() ? nullptr : system.data(), in_size,
                                                out_size, &information);
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
};

const bool kDevice = [] {
  register_device("HwPeekDev", [](Machine& m) -> std::unique_ptr<Device> {
    auto& sm = m.part<ServiceManager>();
    // "device_missing": the driver runs but never created its device.
    if (!sm.hwpeek_driver() || m.has_fault("device_missing")) {
      set_last_error(ERROR_FILE_NOT_FOUND);
      return nullptr;
    }
    if (m.has_fault("not_administrator")) {
      set_last_error(ERROR_ACCESS_DENIED);
      return nullptr;
    }
    return std::make_unique<HwPeekDevice>(&sm);
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

ServiceManager::Service* service_for(SC_HANDLE handle) {
  auto* h = lookup<ServiceHandle>(handle);
  ServiceManager::Service* s = h ? h->service() : nullptr;
  if (!s) set_last_error(ERROR_INVALID_HANDLE);
  return s;
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
  sim::ServiceManager::Service* s = name ? sm->find(name) : nullptr;
  if (!s) {
    sim::set_last_error(name ? ERROR_SERVICE_DOES_NOT_EXIST : ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  ++s->handles;
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
  sim::ServiceManager::Service* s =
      sm->create(name, display_name ? display_name : "", service_type, start_type, error_control, binary_path);
  if (!s) return nullptr;
  ++s->handles;
  return sim::make_handle(std::make_unique<sim::ServiceHandle>(sm, sim::lower(name)));
}

BOOL StartServiceA(SC_HANDLE service, DWORD, LPCSTR*) {
  sim::ServiceManager::Service* s = sim::service_for(service);
  return s && sim::Machine::get().part<sim::ServiceManager>().start(*s) ? TRUE : FALSE;
}

BOOL ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status) {
  sim::ServiceManager::Service* s = sim::service_for(service);
  if (!s) return FALSE;
  auto& sm = sim::Machine::get().part<sim::ServiceManager>();
  if (control == SERVICE_CONTROL_STOP) return sm.stop(*s, status) ? TRUE : FALSE;
  if (control == SERVICE_CONTROL_INTERROGATE) {
    sm.fill(*s, status);
    return TRUE;
  }
  sim::set_last_error(ERROR_INVALID_SERVICE_CONTROL);
  return FALSE;
}

BOOL DeleteService(SC_HANDLE service) {
  sim::ServiceManager::Service* s = sim::service_for(service);
  return s && sim::Machine::get().part<sim::ServiceManager>().mark_delete(*s) ? TRUE : FALSE;
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
