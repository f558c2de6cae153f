# A desktop of the "dov" chipset family running Windows XP SP2.
# The default machine of the simulated platform.

[machine]
computer_name = LUMA-DOV
windows_dir = C:\WINDOWS

[os]
major = 5
minor = 1
build = 2600
service_pack = Service Pack 2

# The graphics hardware: a DOV-2 device with its host bridge.
[pci 0:0.0]
# host bridge
vendor = 0x1E1D
device = 0x2B00
revision = 0x02
class = 0x060000
command = 0x0006
word_52 = 0x0030
word_62 = 0x0002
word_B4 = 0x0100

[pci 0:2.0]
vendor = 0x1E1D
device = 0x2B02
revision = 0x02
class = 0x030000
command = 0x0007
bar0 = 0xFEA00000
bar2 = 0xD0000008
subsys_vendor = 0x1E1D
subsys = 0x2B02
interrupt_pin = 1

[pci 0:29.0]
# another vendor's USB controller: the driver refuses its configuration space
vendor = 0x10B9
device = 0x5239
revision = 0x01
class = 0x0C0320

[mmio 2]
0x2030 = 0x00001000
0x2034 = 0x00000200
0x2038 = 0x00010000
0x203C = 0x0001F001
0x70008 = 0x80000000
0x70180 = 0x98000000
0x71180 = 0x00000000

[gmbus]
latency = 2
sdvo_pending_reads = 1

[wmi Win32_BIOS]
Name = Phoenix - AwardBIOS v6.00PG
Manufacturer = Phoenix Technologies, LTD
Version = VARNEL - 42302e31
ReleaseDate = 20060314000000.000000+000
SMBIOSPresent = bool:true
SMBIOSBIOSVersion = 6.00 PG

# The Lumagraph driver is installed (its registry keys and INF file) as the
# second display adapter instance; the first is another vendor's.
[driver_install]
inf = oem3.inf
instance = 1

[registry HKLM\SYSTEM\CurrentControlSet\Control\Class\{4d36e968-e325-11ce-bfc1-08002be10318}\0000]
DriverDesc = Generic Graphics Inc. VGA Adapter
InfPath = display.inf
ProviderName = Generic Graphics Inc.

[registry HKLM\SOFTWARE\Microsoft\DirectX]
Version = 4.09.00.0904
InstalledVersion = hex:00,00,00,09,00,00,00,00

# Installed software, in mixed letter case; Connection Manager has no name
# to show.
[registry HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\WinZip]
DisplayName = WinZip
[registry HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\{AC76BA86-7AD7-1033-7B44-A70500000002}]
DisplayName = Adobe Reader 7.0.5
[registry HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\NETFX11]
DisplayName = microsoft .NET Framework 1.1
[registry HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\7-Zip]
DisplayName = 7-Zip 4.42
[registry HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Connection Manager]
SystemComponent = dword:1
[registry HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\KB896358]
DisplayName = Windows XP Hotfix - KB896358
