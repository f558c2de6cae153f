// The service control manager and device-control requests: the Win32
// calls themselves.
#include "oal/services.h"

namespace oal {

SC_HANDLE OpenSCManagerA(LPCSTR machine, LPCSTR database, DWORD access) {
  return ::OpenSCManagerA(machine, database, access);
}
SC_HANDLE OpenServiceA(SC_HANDLE manager, LPCSTR name, DWORD access) {
  return ::OpenServiceA(manager, name, access);
}
SC_HANDLE CreateServiceA(SC_HANDLE manager, LPCSTR name, LPCSTR display_name, DWORD access,
                         DWORD service_type, DWORD start_type, DWORD error_control, LPCSTR binary_path,
                         LPCSTR load_order_group, LPDWORD tag_id, LPCSTR dependencies,
                         LPCSTR account, LPCSTR password) {
  return ::CreateServiceA(manager, name, display_name, access, service_type, start_type, error_control,
                          binary_path, load_order_group, tag_id, dependencies, account, password);
}
BOOL StartServiceA(SC_HANDLE service, DWORD argc, LPCSTR* argv) { return ::StartServiceA(service, argc, argv); }
BOOL ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status) {
  return ::ControlService(service, control, status);
}
BOOL DeleteService(SC_HANDLE service) { return ::DeleteService(service); }
BOOL CloseServiceHandle(SC_HANDLE handle) { return ::CloseServiceHandle(handle); }
BOOL DeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD in_size, LPVOID out, DWORD out_size,
                     LPDWORD returned, void* overlapped) {
  return ::DeviceIoControl(device, code, in, in_size, out, out_size, returned,
                           static_cast<LPOVERLAPPED>(overlapped));
}

}  // namespace oal
