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
status = 0x2090
subsys_vendor = 0x1E1D
subsys = 0x2B00
byte_34 = 0xE0
word_52 = 0x0030
word_62 = 0x0002
word_B4 = 0x0100

[pci 0:2.0]
vendor = 0x1E1D
device = 0x2B02
revision = 0x02
class = 0x030000
command = 0x0007
status = 0x0090
bar0 = 0xFEA00000
bar2 = 0xD0000008
subsys_vendor = 0x1E1D
subsys = 0x2B02
# capability list at 0xD0, interrupt line 11
byte_34 = 0xD0
byte_3C = 0x0B
interrupt_pin = 1

[pci 0:29.0]
# another vendor's USB controller: the driver refuses its configuration space
vendor = 0x10B9
device = 0x5239
revision = 0x01
class = 0x0C0320
command = 0x0006
status = 0x0290
bar0 = 0xFEBFF000
interrupt_pin = 1

[mmio 2]
0x2030 = 0x00001000
0x2034 = 0x00000200
0x2038 = 0x00010000
0x203C = 0x0001F001
0x70008 = 0x80000000
0x70180 = 0x98000000
0x71180 = 0x00000000
# Every register the dump tables name holds its own value: the family's
# tag in the top byte and the offset below, so a dump that reads the wrong
# offset shows it. The display registers follow the screens.
0x2024 = 0x22002024
0x2088 = 0x22002088
0x208C = 0x2200208C
0x20AC = 0x220020AC
0x20B8 = 0x220020B8
0x20C8 = 0x220020C8
0x20D0 = 0x220020D0
0x6014 = 0x22006014
0x6018 = 0x22006018
0x6040 = 0x22006040
0x6044 = 0x22006044
0x6048 = 0x22006048
0x604C = 0x2200604C
0x60000 = 0x22060000
0x60004 = 0x22060004
0x60008 = 0x22060008
0x6000C = 0x2206000C
0x60010 = 0x22060010
0x60014 = 0x22060014
0x6001C = 0x2206001C
0x61000 = 0x22061000
0x61004 = 0x22061004
0x61008 = 0x22061008
0x6100C = 0x2206100C
0x61010 = 0x22061010
0x61014 = 0x22061014
0x6101C = 0x2206101C
0x61100 = 0x22061100
0x61120 = 0x22061120
0x61140 = 0x22061140
0x61160 = 0x22061160
0x61180 = 0x22061180
0x68000 = 0x22068000
0x68080 = 0x22068080
0x6808C = 0x2206808C
0x68090 = 0x22068090
0x68098 = 0x22068098
0x680B0 = 0x220680B0
0x680B4 = 0x220680B4
0x70184 = 0x22070184
0x70188 = 0x22070188
0x70190 = 0x22070190
0x70194 = 0x22070194
0x7019C = 0x2207019C
0x71008 = 0x22071008
0x71184 = 0x22071184
0x71188 = 0x22071188
0x71190 = 0x22071190
0x71194 = 0x22071194
0x7119C = 0x2207119C
0x71400 = 0x22071400

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
