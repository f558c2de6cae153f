// The NT kernel build of hwpeek: DriverEntry, the device and its link, the
// IRP dispatch and unload around the portable driver, and its hardware
// access over the HAL and the memory manager.
// The kernel headers define these two as static inline functions that
// clash in C++ with the intrinsics <intrin.h> declares under the same
// names; the driver uses neither, so the kernel headers' copies are renamed.
#include <intrin.h>
#define InterlockedBitTestAndSet hwpeek_ddk_InterlockedBitTestAndSet
#define InterlockedBitTestAndReset hwpeek_ddk_InterlockedBitTestAndReset
#include <ntifs.h>

#include <cstdarg>
#include <new>

#include "hwpeek.h"

extern "C" NTSYSAPI int __cdecl _vsnprintf(char* buffer, size_t count, const char* format, va_list args);

namespace {

const wchar_t kDeviceName[] = L"\\Device\\HwPeekDev";
const wchar_t kLinkName[] = L"\\DosDevices\\HwPeekDev";

class NtAccess final : public hwpeek::HwAccess {
 public:
  uint32_t bus_read(uint32_t bus, uint32_t slot, void* buffer, uint32_t offset, uint32_t length) override {
    return HalGetBusDataByOffset(PCIConfiguration, bus, slot, buffer, offset, length);
  }
  uint32_t bus_write(uint32_t bus, uint32_t slot, const void* buffer, uint32_t offset,
                     uint32_t length) override {
    return HalSetBusDataByOffset(PCIConfiguration, bus, slot, const_cast<void*>(buffer), offset, length);
  }
  volatile uint8_t* map_io_space(uint64_t physical, uint32_t length) override {
    PHYSICAL_ADDRESS address;
    address.QuadPart = static_cast<LONGLONG>(physical);
    return static_cast<volatile uint8_t*>(MmMapIoSpace(address, length, MmNonCached));
  }
  void unmap_io_space(volatile uint8_t* address, uint32_t length) override {
    MmUnmapIoSpace(const_cast<uint8_t*>(address), length);
  }
  uint8_t read_u8(volatile uint8_t* a) override { return READ_REGISTER_UCHAR(const_cast<PUCHAR>(a)); }
  uint16_t read_u16(volatile uint8_t* a) override {
    return READ_REGISTER_USHORT(reinterpret_cast<PUSHORT>(const_cast<uint8_t*>(a)));
  }
  uint32_t read_u32(volatile uint8_t* a) override {
    return READ_REGISTER_ULONG(reinterpret_cast<PULONG>(const_cast<uint8_t*>(a)));
  }
  void write_u8(volatile uint8_t* a, uint8_t v) override { WRITE_REGISTER_UCHAR(const_cast<PUCHAR>(a), v); }
  void write_u16(volatile uint8_t* a, uint16_t v) override {
    WRITE_REGISTER_USHORT(reinterpret_cast<PUSHORT>(const_cast<uint8_t*>(a)), v);
  }
  void write_u32(volatile uint8_t* a, uint32_t v) override {
    WRITE_REGISTER_ULONG(reinterpret_cast<PULONG>(const_cast<uint8_t*>(a)), v);
  }
  void stall_us(uint32_t microseconds) override { KeStallExecutionProcessor(microseconds); }
  void debug_print(const char* text) override { DbgPrint("%s", text); }
};

// Static storage, constructed in DriverEntry: a kernel image runs no
// global constructors.
alignas(NtAccess) unsigned char g_access_storage[sizeof(NtAccess)];
alignas(hwpeek::Driver) unsigned char g_driver_storage[sizeof(hwpeek::Driver)];
hwpeek::Driver* g_driver = nullptr;

// S-1-5-18 (SYSTEM) and S-1-5-32-544 (Administrators), laid out as SIDs.
struct Sid2 {
  UCHAR revision;
  UCHAR count;
  UCHAR authority[6];
  ULONG sub[2];
};
const Sid2 kSystemSid = {1, 1, {0, 0, 0, 0, 0, 5}, {18, 0}};
const Sid2 kAdminsSid = {1, 2, {0, 0, 0, 0, 0, 5}, {32, 544}};

// The device hands out raw physical memory and register access: only
// SYSTEM and the Administrators may open it. The DACL replaces the default
// one, which would let every user in.
NTSTATUS restrict_device(PDEVICE_OBJECT device) {
  alignas(ULONG) static UCHAR acl_storage[128];
  PACL acl = reinterpret_cast<PACL>(acl_storage);
  SECURITY_DESCRIPTOR sd;
  NTSTATUS st = RtlCreateAcl(acl, sizeof acl_storage, ACL_REVISION);
  if (NT_SUCCESS(st)) st = RtlAddAccessAllowedAce(acl, ACL_REVISION, GENERIC_ALL, (PSID)&kSystemSid);
  if (NT_SUCCESS(st)) st = RtlAddAccessAllowedAce(acl, ACL_REVISION, GENERIC_ALL, (PSID)&kAdminsSid);
  if (NT_SUCCESS(st)) st = RtlCreateSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
  if (NT_SUCCESS(st)) st = RtlSetDaclSecurityDescriptor(&sd, TRUE, acl, FALSE);
  if (!NT_SUCCESS(st)) return st;
  HANDLE handle = nullptr;
  st = ObOpenObjectByPointer(device, OBJ_KERNEL_HANDLE, nullptr, WRITE_DAC, nullptr, KernelMode, &handle);
  if (!NT_SUCCESS(st)) return st;
  // Protected: no ACE inherited from the object directory widens it.
  st = ZwSetSecurityObject(handle, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, &sd);
  ZwClose(handle);
  return st;
}

NTSTATUS complete(PIRP irp, NTSTATUS status, ULONG_PTR information) {
  irp->IoStatus.Status = status;
  irp->IoStatus.Information = information;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

extern "C" NTSTATUS NTAPI drv_create_close(PDEVICE_OBJECT, PIRP irp) { return complete(irp, STATUS_SUCCESS, 0); }

extern "C" NTSTATUS NTAPI drv_device_control(PDEVICE_OBJECT, PIRP irp) {
  PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  const auto& p = stack->Parameters.DeviceIoControl;
  // Every request code is buffered, so the system buffer holds the request;
  // the portable dispatch refuses any other code before touching it.
  uint32_t information = 0;
  NTSTATUS st = hwpeek::drv_device_control(*g_driver, p.IoControlCode, irp->AssociatedIrp.SystemBuffer,
                                           p.InputBufferLength, p.OutputBufferLength, &information);
  return complete(irp, st, NT_SUCCESS(st) ? information : 0);
}

extern "C" VOID NTAPI drv_unload(PDRIVER_OBJECT driver) {
  hwpeek::drv_unload(*g_driver);
  UNICODE_STRING link;
  RtlInitUnicodeString(&link, kLinkName);
  NTSTATUS st = IoDeleteSymbolicLink(&link);
  if (!NT_SUCCESS(st))
    hwpeek::drv_trace(*g_driver, hwpeek::TRACE_ERROR, "drv_unload", "IoDeleteSymbolicLink(%S) failed with status=%#x",
                      kLinkName, static_cast<unsigned>(st));
  while (PDEVICE_OBJECT device = driver->DeviceObject) {
    hwpeek::drv_trace(*g_driver, hwpeek::TRACE_INFO, "drv_unload", "Deleting p_dev_obj=%s",
                      hwpeek::ptr_text(device).text);
    IoDeleteDevice(device);
  }
}

}  // namespace

extern "C" NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING) {
  auto* access = new (g_access_storage) NtAccess();
  g_driver = new (g_driver_storage) hwpeek::Driver(*access);
  hwpeek::drv_load(*g_driver, __DATE__, __TIME__);

  UNICODE_STRING name, link;
  RtlInitUnicodeString(&name, kDeviceName);
  PDEVICE_OBJECT device = nullptr;
  // FILE_DEVICE_SECURE_OPEN: the DACL also guards opens of names below the
  // device's (\Device\HwPeekDev\x), which would otherwise bypass it.
  NTSTATUS st = IoCreateDevice(driver, 0, &name, FILE_DEVICE_UNKNOWN, FILE_DEVICE_SECURE_OPEN, FALSE, &device);
  if (!NT_SUCCESS(st)) {
    hwpeek::drv_trace(*g_driver, hwpeek::TRACE_ERROR, "DriverEntry", "IoCreateDevice() failed with status = %#x",
                      static_cast<unsigned>(st));
    hwpeek::drv_unload(*g_driver);
    return st;
  }
  hwpeek::drv_trace(*g_driver, hwpeek::TRACE_INFO, "DriverEntry", "Success ! Created p_dev_obj=%s",
                    hwpeek::ptr_text(device).text);
  st = restrict_device(device);
  if (!NT_SUCCESS(st)) {
    // Never leave the device open to everyone.
    hwpeek::drv_trace(*g_driver, hwpeek::TRACE_ERROR, "DriverEntry",
                      "securing the device failed with status = %#x", static_cast<unsigned>(st));
    IoDeleteDevice(device);
    hwpeek::drv_unload(*g_driver);
    return st;
  }
  RtlInitUnicodeString(&link, kLinkName);
  st = IoCreateSymbolicLink(&link, &name);
  if (!NT_SUCCESS(st)) {
    hwpeek::drv_trace(*g_driver, hwpeek::TRACE_ERROR, "DriverEntry",
                      "IoCreateSymbolicLink() failed with status = %#x", static_cast<unsigned>(st));
    IoDeleteDevice(device);
    hwpeek::drv_unload(*g_driver);
    return st;
  }
  driver->DriverUnload = drv_unload;
  driver->MajorFunction[IRP_MJ_CREATE] = drv_create_close;
  driver->MajorFunction[IRP_MJ_CLOSE] = drv_create_close;
  driver->MajorFunction[IRP_MJ_CLEANUP] = drv_create_close;
  driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = drv_device_control;
  return STATUS_SUCCESS;
}

// The C library's formatter, which the portable trace and dispatch code
// reaches through snprintf/vsnprintf: a kernel image has no C runtime, so
// it goes to the kernel's _vsnprintf, always terminated and never counting
// past the buffer (that one returns -1 when the text is cut).
extern "C" int __cdecl __mingw_vsnprintf(char* buffer, size_t size, const char* format, va_list args) {
  if (!buffer || size == 0) return 0;
  int n = _vsnprintf(buffer, size - 1, format, args);
  if (n < 0 || static_cast<size_t>(n) >= size - 1) n = static_cast<int>(size - 1);
  buffer[n] = '\0';
  return n;
}

// Language support the compiler may reference but the driver never uses:
// the objects above live in static storage and are never deleted, and no
// pure virtual function is ever called.
void operator delete(void*) noexcept {}
void operator delete(void*, size_t) noexcept {}
extern "C" void __cxa_pure_virtual() { KeBugCheckEx(0xDEADDEAD, 0, 0, 0, 0); }
