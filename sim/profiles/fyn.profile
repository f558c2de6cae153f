# A desktop of the "fyn" chipset family with its second graphics device at 0:3.0 and fuse registers.

[machine]
computer_name = LUMA-FYN
windows_dir = C:\WINDOWS

[os]
major = 5
minor = 1
build = 2600
service_pack = Service Pack 2

[pci 0:0.0]
# host bridge
vendor = 0x1E1D
device = 0x5E00
revision = 0x02
class = 0x060000
command = 0x0006
word_52 = 0x0070
word_62 = 0x0002

[pci 0:2.0]
vendor = 0x1E1D
device = 0x5E01
revision = 0x04
class = 0x030000
command = 0x0007
bar0 = 0xFE800000
bar2 = 0xD0000008
subsys_vendor = 0x1E1D
subsys = 0x5E01
interrupt_pin = 1

[pci 0:3.0]
vendor = 0x1E1D
device = 0x5E03
revision = 0x04
class = 0x030000
command = 0x0007
bar0 = 0xFE700000
bar2 = 0xE0000008
subsys_vendor = 0x1E1D
subsys = 0x5E03

[pci 0:29.0]
# another vendor's USB controller: the driver refuses its configuration space
vendor = 0x10B9
device = 0x5239
revision = 0x01
class = 0x0C0320

[fuses]
0xD08106F0 = 0x00000011
0xD08107F0 = 0x00000022
0xD08108F0 = 0x00000033
0xD08109F0 = 0x00000044
0xD0810AF0 = 0x00000055
0xD0810BF0 = 0x00000066

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

[mmio 3]
0x2030 = 0x00001000
0x2034 = 0x00000200
0x2038 = 0x00010000
0x203C = 0x0001F001
0x70008 = 0x80000000
0x70180 = 0x98000000
0x71180 = 0x00000000

# The Lumagraph driver is installed; the DirectX of the machine.
[driver_install]
inf = oem8.inf

[registry HKLM\SOFTWARE\Microsoft\DirectX]
Version = 4.09.00.0904
