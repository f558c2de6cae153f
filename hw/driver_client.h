// The client of the hwpeek register access driver: installing and removing
// it as a kernel service, and the device-control requests the commands use.
// The device is opened and closed for every request.
#pragma once
#include <cstdint>

#include "oal/win_types.h"
#include "hwpeek/hwpeek_requests.h"

using hwpeek::DeviceIdReply;
using hwpeek::EdidRequest;
using hwpeek::HostControlRequest;
using hwpeek::I2cRegRequest;
using hwpeek::MmioRequest;
using hwpeek::PciConfigRequest;
using hwpeek::SdvoCmdRequest;

// Set once this session installed the driver or uses the one another live
// session runs; cleared when it leaves it (removing it when last).
extern bool driver_loaded;

// Where drv_write_reg and os_dump_regs go.
enum drv_target_t { DRV_TARGET_MMIO = 0, DRV_TARGET_GMADR = 1 };

bool os_initialize(uint8_t install);
bool remove_driver();
void stop_driver_service();
bool start_driver_service(const char* image_path);
// Writes a resource of `module` (the program when null) to a file.
bool write_resource_to_file(HRSRC resource, const char* file_name, HMODULE module = nullptr);
bool open_driver_device(HANDLE* device);
bool driver_ioctl(uint32_t code, uint32_t in_size, void* in, uint32_t out_size, void* out);
// The same, and false when the driver answers with fewer bytes than asked.
bool driver_request(uint32_t code, uint32_t in_size, void* in, uint32_t out_size, void* out);

bool drv_get_device_id(DeviceIdReply* reply);
bool drv_read_mmio(uint32_t width, uint32_t offset, uint32_t* value, uint32_t device);
bool drv_write_reg(drv_target_t target, uint32_t width, uint32_t offset, uint32_t value, uint32_t device);
// Dumps `count` dwords into `out`, which holds 4 x count bytes.
bool os_dump_regs(drv_target_t target, uint32_t start, uint32_t count, void* out, uint32_t device);
// Selector 1, 2 or 4; fills the caller's 16-byte record.
bool drv_read_ring_regs(uint32_t selector, void* record);
bool drv_function_present(uint32_t function);
uint16_t drv_read_host_config_word(uint32_t offset);
// The same word, or false when the host bridge could not be read.
bool drv_host_config_word(uint32_t offset, uint16_t* word);
bool drv_read_host_data(void* data);
bool drv_write_host_control(uint32_t control);

// The session's device-id query, over drv_get_device_id.
bool drv_read_device_id(uint16_t* device_id, uint16_t* revision);
