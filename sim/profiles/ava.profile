# A desktop of the "ava" chipset family: registers in BAR1, aperture in BAR0.

[machine]
computer_name = LUMA-AVA
windows_dir = C:\WINDOWS

[os]
major = 5
minor = 1
build = 2600
service_pack = Service Pack 2

[pci 0:0.0]
# host bridge
vendor = 0x1E1D
device = 0x1A00
revision = 0x02
class = 0x060000
command = 0x0006
word_52 = 0x0030
word_B4 = 0x0080

[pci 0:2.0]
vendor = 0x1E1D
device = 0x1A01
revision = 0x03
class = 0x030000
command = 0x0007
bar0 = 0xE0000008
bar1 = 0xFEB80000
subsys_vendor = 0x1E1D
subsys = 0x1A01
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

# The Lumagraph driver is installed; the DirectX of the machine.
[driver_install]
inf = oem7.inf

[registry HKLM\SOFTWARE\Microsoft\DirectX]
Version = 4.08.01.0881
