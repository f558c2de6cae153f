#include "hw/driver_client.h"

#include <cstdio>
#include <cstring>

#include "core/msglog.h"
#include "hw/driver_advice.h"
#include "hw/driver_sessions.h"
#include "oal/oal.h"

bool driver_loaded = false;

namespace {

const char kServiceName[] = "hwpeek";
const char kImageName[] = "hwpeek.sys";
const char kDevicePath[] = "\\\\.\\HwPeekDev";
const char kNotPresent[] = "ERROR: Driver not present, First install driver by calling os_initialize";

// The step of the last failed start_driver_service and the system's error.
DriverStep failed_step = DriverStep::Start;
DWORD failed_error = ERROR_SUCCESS;

bool start_failed(DriverStep step) {
  failed_step = step;
  failed_error = oal::GetLastError();
  return false;
}

// A 32-bit image cannot load into a 64-bit kernel: installing it would only
// fail at the start with a less helpful error.
bool runs_under_wow64() {
  BOOL wow64 = FALSE;
  return oal::IsWow64Process(oal::GetCurrentProcess(), &wow64) && wow64;
}

// A start that succeeded is only half the way: the driver must also have
// created its device.
HANDLE open_device() {
  return oal::CreateFileA(kDevicePath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, 0, nullptr);
}

bool device_appeared() {
  HANDLE device = open_device();
  if (device != INVALID_HANDLE_VALUE) {
    oal::CloseHandle(device);
    return true;
  }
  DWORD error = oal::GetLastError();
  report_driver_error(error == ERROR_ACCESS_DENIED ? DriverStep::Device : DriverStep::DeviceAfterStart, error);
  return false;
}

// "<windows dir>\hwpeek.sys"
void installed_path(char* path, size_t size) {
  char windows[256] = "";
  UINT n = oal::GetWindowsDirectoryA(windows, sizeof windows);
  if (n == 0 || n >= sizeof windows) windows[0] = '\0';
  std::snprintf(path, size, "%s\\%s", windows, kImageName);
}

bool require_driver() {
  if (driver_loaded) return true;
  if (vol_above(0)) writeMsg(MSG_ERROR, "%s", kNotPresent);
  return false;
}

// Writes `resource` of `module` to `file_name`.
bool write_module_resource(HMODULE module, HRSRC resource, const char* file_name) {
  HGLOBAL loaded = resource ? oal::LoadResource(module, resource) : nullptr;
  const void* data = loaded ? oal::LockResource(loaded) : nullptr;
  DWORD size = resource ? oal::SizeofResource(module, resource) : 0;
  if (!data) {
    print_last_error();
    return false;
  }
  HANDLE file = oal::CreateFileA(file_name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    print_last_error();
    return false;
  }
  DWORD written = 0;
  bool ok = oal::WriteFile(file, data, size, &written, nullptr) && written == size;
  if (!ok) print_last_error();
  oal::CloseHandle(file);
  return ok;
}

// The driver image: in the module that holds this code first (a library
// that carries it serves any program that loads it), then in the program.
HRSRC find_image(HMODULE& module) {
  HMODULE own = nullptr;
  if (oal::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              reinterpret_cast<LPCSTR>(&find_image), &own)) {
    if (HRSRC r = oal::FindResourceA(own, MAKEINTRESOURCEA(101), "HWPEEKDEV")) {
      module = own;
      return r;
    }
  }
  module = oal::GetModuleHandleA(nullptr);
  return oal::FindResourceA(module, MAKEINTRESOURCEA(101), "HWPEEKDEV");
}

bool install() {
  if (runs_under_wow64()) {
    report_driver_error(DriverStep::Wow64, ERROR_SUCCESS);
    return false;
  }
  HMODULE module = nullptr;
  HRSRC resource = find_image(module);
  bool written = false;
  if (!resource)
    print_last_error();
  else
    written = write_module_resource(module, resource, kImageName);
  char path[MAX_PATH + 16];
  installed_path(path, sizeof path);
  // An image left by an earlier run stays; the move never replaces it.
  oal::MoveFileA(kImageName, path);
  if (!written) return false;
  stop_driver_service();
  bool started = start_driver_service(path);
  if (!started) {
    stop_driver_service();
    started = start_driver_service(path);
  }
  if (!started) {
    if (vol_above(0)) writeMsg(MSG_ERROR, "Error loading %s(%s)", kServiceName, path);
    report_driver_error(failed_step, failed_error);
    return false;
  }
  if (device_appeared()) return true;
  stop_driver_service();
  return false;
}

}  // namespace

namespace {

// The driver's device answers: a driver is running.
bool device_answers() {
  HANDLE device = open_device();
  if (device == INVALID_HANDLE_VALUE) return false;
  oal::CloseHandle(device);
  return true;
}

}  // namespace

// Sessions overlap: one that finds the driver running for another live
// session uses it as it is (reinstalling would pull it from under that
// session), and only the last one to close removes it.
bool os_initialize(uint8_t install_flag) {
  if (!install_flag || driver_loaded) return true;
  DriverSessions sessions(true);
  sessions.join();
  if (sessions.others_live() && device_answers()) {
    driver_loaded = true;
    return true;
  }
  if (!install()) {
    sessions.leave();
    return false;
  }
  driver_loaded = true;
  return true;
}

bool remove_driver() {
  if (!driver_loaded) return true;
  DriverSessions sessions(false);
  if (sessions.others_live()) {
    sessions.leave();
    driver_loaded = false;
    return true;
  }
  stop_driver_service();
  char path[MAX_PATH + 16];
  installed_path(path, sizeof path);
  if (!oal::DeleteFileA(path)) {
    print_last_error();
    return false;
  }
  sessions.leave();
  driver_loaded = false;
  return true;
}

void stop_driver_service() {
  SC_HANDLE manager = oal::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (!manager) return;
  if (SC_HANDLE service = oal::OpenServiceA(manager, kServiceName, SERVICE_ALL_ACCESS)) {
    SERVICE_STATUS status{};
    oal::ControlService(service, SERVICE_CONTROL_STOP, &status);
    oal::CloseServiceHandle(service);
  }
  if (SC_HANDLE service = oal::OpenServiceA(manager, kServiceName, SERVICE_ALL_ACCESS)) {
    oal::DeleteService(service);
    oal::CloseServiceHandle(service);
  }
  oal::CloseServiceHandle(manager);
}

bool start_driver_service(const char* image_path) {
  SC_HANDLE manager = oal::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (!manager) return start_failed(DriverStep::ServiceManager);
  if (SC_HANDLE old = oal::OpenServiceA(manager, kServiceName, SERVICE_ALL_ACCESS)) {
    oal::DeleteService(old);
    oal::CloseServiceHandle(old);
  }
  SC_HANDLE created = oal::CreateServiceA(manager, kServiceName, kServiceName, SERVICE_ALL_ACCESS,
                                          SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                          image_path, nullptr, nullptr, nullptr, nullptr, nullptr);
  if (!created) {
    start_failed(DriverStep::Service);
    oal::CloseServiceHandle(manager);
    return false;
  }
  oal::CloseServiceHandle(created);
  SC_HANDLE service = oal::OpenServiceA(manager, kServiceName, SERVICE_ALL_ACCESS);
  if (!service) {
    start_failed(DriverStep::Service);
    oal::CloseServiceHandle(manager);
    return false;
  }
  bool started = oal::StartServiceA(service, 0, nullptr) != FALSE;
  if (!started) {
    DWORD error = oal::GetLastError();
    started = error == ERROR_SERVICE_ALREADY_RUNNING || error == ERROR_SERVICE_DISABLED;
    if (!started) start_failed(DriverStep::Start);
  }
  oal::CloseServiceHandle(service);
  oal::CloseServiceHandle(manager);
  return started;
}

bool write_resource_to_file(HRSRC resource, const char* file_name, HMODULE module) {
  return write_module_resource(module ? module : oal::GetModuleHandleA(nullptr), resource, file_name);
}

bool open_driver_device(HANDLE* device) {
  HANDLE h = open_device();
  if (h == INVALID_HANDLE_VALUE) {
    report_driver_error(DriverStep::Device, oal::GetLastError());
    return false;
  }
  if (device) *device = h;
  return true;
}

namespace {

bool ioctl_returning(uint32_t code, uint32_t in_size, void* in, uint32_t out_size, void* out, DWORD* returned) {
  HANDLE device = INVALID_HANDLE_VALUE;
  if (!open_driver_device(&device)) return false;
  bool ok = oal::DeviceIoControl(device, code, in, in_size, out, out_size, returned, nullptr) != FALSE;
  if (!ok) {
    print_last_error();
    if (vol_above(0)) writeMsg(MSG_WARNING, "IOCTL call failed: %d", static_cast<int>(code));
  }
  oal::CloseHandle(device);
  return ok;
}

}  // namespace

bool driver_ioctl(uint32_t code, uint32_t in_size, void* in, uint32_t out_size, void* out) {
  DWORD returned = 0;
  return ioctl_returning(code, in_size, in, out_size, out, &returned);
}

bool driver_request(uint32_t code, uint32_t in_size, void* in, uint32_t out_size, void* out) {
  DWORD returned = 0;
  return ioctl_returning(code, in_size, in, out_size, out, &returned) && returned >= out_size;
}

bool drv_get_device_id(DeviceIdReply* reply) {
  if (!driver_loaded || !reply) return false;
  DeviceIdReply r{};
  if (!driver_request(hwpeek::IOCTL_GET_DEVICE_ID, 0, nullptr, sizeof r, &r)) return false;
  *reply = r;
  return true;
}

bool drv_read_device_id(uint16_t* device_id, uint16_t* revision) {
  DeviceIdReply r{};
  if (!drv_get_device_id(&r)) return false;
  if (device_id) *device_id = r.device_id;
  if (revision) *revision = r.revision;
  return true;
}

bool drv_read_mmio(uint32_t width, uint32_t offset, uint32_t* value, uint32_t device) {
  if (!require_driver()) return false;
  MmioRequest q{};
  q.reg = offset, q.width = width, q.device = device;
  if (!driver_request(hwpeek::IOCTL_READ_MMIO, sizeof q, &q, sizeof q, &q)) return false;
  if (value) *value = q.value;
  return true;
}

bool drv_write_reg(drv_target_t target, uint32_t width, uint32_t offset, uint32_t value, uint32_t device) {
  if (!require_driver()) return false;
  MmioRequest q{};
  q.reg = offset, q.width = width, q.device = device, q.value = value;
  uint32_t code = target == DRV_TARGET_GMADR ? hwpeek::IOCTL_WRITE_GMADR : hwpeek::IOCTL_WRITE_MMIO;
  return driver_ioctl(code, sizeof q, &q, sizeof q, &q);
}

bool os_dump_regs(drv_target_t target, uint32_t start, uint32_t count, void* out, uint32_t device) {
  if (!require_driver()) return false;
  // The reply length is a 32-bit byte count.
  if ((count && !out) || count > 0xFFFFFFFFu / 4) return false;
  MmioRequest q{};
  q.reg = start, q.device = device, q.value = count;
  uint32_t code = target == DRV_TARGET_GMADR ? hwpeek::IOCTL_DUMP_GMADR : hwpeek::IOCTL_DUMP_MMIO;
  return driver_ioctl(code, sizeof q, &q, 4 * count, out);
}

bool drv_read_ring_regs(uint32_t selector, void* record) {
  if (!require_driver()) return false;
  uint32_t reg;
  switch (selector) {
    case 1: reg = 0x2030; break;
    case 2: reg = 0x2100; break;
    case 4: reg = 0; break;
    default: return false;
  }
  if (!record) return false;
  uint32_t words[20] = {};
  MmioRequest q{};
  q.reg = reg, q.device = 0, q.value = 20;
  if (!driver_ioctl(hwpeek::IOCTL_DUMP_MMIO, sizeof q, &q, sizeof words, words)) return false;
  std::memcpy(record, words, 16);
  return true;
}

bool drv_function_present(uint32_t function) {
  PciConfigRequest q{0, 2, static_cast<uint16_t>(function)};
  uint8_t config[hwpeek::kPciConfigReplySize] = {};
  // The request's own result is not used: a refused read leaves zeros.
  driver_ioctl(hwpeek::IOCTL_READ_PCI_CONFIG, sizeof q, &q, sizeof config, config);
  return (config[2] | config[3] << 8) != 0;
}

uint16_t drv_read_host_config_word(uint32_t offset) {
  uint16_t word = 0;
  return drv_host_config_word(offset, &word) ? word : 0;
}

bool drv_host_config_word(uint32_t offset, uint16_t* word) {
  // A word past the 192 bytes of the reply does not exist.
  if (offset > hwpeek::kPciConfigReplySize - 2 || !word) return false;
  PciConfigRequest q{0, 0, 0};
  uint8_t config[hwpeek::kPciConfigReplySize] = {};
  // A refused read answers with no bytes at all.
  if (!driver_request(hwpeek::IOCTL_READ_PCI_CONFIG, sizeof q, &q, sizeof config, config)) return false;
  *word = static_cast<uint16_t>(config[offset] | config[offset + 1] << 8);
  return true;
}

bool drv_read_host_data(void* data) {
  if (!data) return false;
  uint32_t value = 0;
  if (!driver_request(hwpeek::IOCTL_READ_HOST_DATA, 0, nullptr, sizeof value, &value)) return false;
  std::memcpy(data, &value, sizeof value);
  return true;
}

bool drv_write_host_control(uint32_t control) {
  HostControlRequest q{};
  q.control = control;
  return driver_ioctl(hwpeek::IOCTL_WRITE_HOST_CONTROL, sizeof q, &q, 0, nullptr);
}
