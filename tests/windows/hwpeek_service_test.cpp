// The hwpeek kernel driver as a Windows service: this program carries the
// image, installs it through the driver client, sends it requests through
// \\.\HwPeekDev and removes it again.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "hw/driver_client.h"

namespace {

std::string installed_image() {
  char windows[MAX_PATH];
  UINT n = GetWindowsDirectoryA(windows, sizeof windows);
  return n && n < sizeof windows ? std::string(windows) + "\\hwpeek.sys" : std::string();
}

bool service_exists() {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (!manager) return false;
  SC_HANDLE service = OpenServiceA(manager, "hwpeek", SERVICE_QUERY_STATUS);
  if (service) CloseServiceHandle(service);
  CloseServiceHandle(manager);
  return service != nullptr;
}

HANDLE open_device() {
  return CreateFileA("\\\\.\\HwPeekDev", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                     nullptr, OPEN_EXISTING, 0, nullptr);
}

class HwpeekService : public ::testing::Test {
 protected:
  void TearDown() override {
    if (driver_loaded) remove_driver();
  }
};

TEST_F(HwpeekService, InstallsAnswersAndIsRemoved) {
  ASSERT_FALSE(driver_loaded);
  ASSERT_TRUE(os_initialize(1));
  ASSERT_TRUE(driver_loaded);
  EXPECT_EQ(GetFileAttributesA(installed_image().c_str()) != INVALID_FILE_ATTRIBUTES, true);
  EXPECT_TRUE(service_exists());

  // The device answers the device-id request with its 4-byte reply.
  HANDLE device = open_device();
  ASSERT_NE(device, INVALID_HANDLE_VALUE) << "error " << GetLastError();
  DeviceIdReply reply = {0xFFFF, 0xFFFF};
  DWORD returned = 0;
  BOOL ok = DeviceIoControl(device, hwpeek::IOCTL_GET_DEVICE_ID, nullptr, 0, &reply, sizeof reply, &returned,
                            nullptr);
  EXPECT_TRUE(ok) << "error " << GetLastError();
  EXPECT_EQ(returned, 4u);
  // A reply buffer too small and a code the driver does not know are
  // refused as invalid parameters.
  uint8_t small[2];
  EXPECT_FALSE(DeviceIoControl(device, hwpeek::IOCTL_GET_DEVICE_ID, nullptr, 0, small, sizeof small, &returned,
                               nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(DeviceIoControl(device, 0x22403C, nullptr, 0, &reply, sizeof reply, &returned, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  // A record one byte short: its trace line names both lengths and the one
  // expected (tests/windows/run-wine-tests.sh reads them from the debugger
  // output).
  MmioRequest short_record = {0x100, 32, 2, 0};
  EXPECT_FALSE(DeviceIoControl(device, hwpeek::IOCTL_READ_MMIO, &short_record, sizeof short_record - 1,
                               &short_record, sizeof short_record, &returned, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  // Without a graphics device no register window is mapped: register
  // requests are refused, never served from an unmapped address.
  if (reply.device_id == 0) {
    MmioRequest q = {0x100, 32, 2, 0x5A5A5A5A};
    EXPECT_FALSE(DeviceIoControl(device, hwpeek::IOCTL_READ_MMIO, &q, sizeof q, &q, sizeof q, &returned, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(q.value, 0x5A5A5A5Au);
  }
  CloseHandle(device);

  // The client's own wrapper reaches the same reply.
  DeviceIdReply through_client = {0xFFFF, 0xFFFF};
  EXPECT_TRUE(drv_get_device_id(&through_client));
  EXPECT_EQ(through_client.device_id, reply.device_id);

  ASSERT_TRUE(remove_driver());
  EXPECT_FALSE(driver_loaded);
  EXPECT_EQ(GetFileAttributesA(installed_image().c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_FALSE(service_exists());
  HANDLE gone = open_device();
  EXPECT_EQ(gone, INVALID_HANDLE_VALUE);
  if (gone != INVALID_HANDLE_VALUE) CloseHandle(gone);
}

}  // namespace
