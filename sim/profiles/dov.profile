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
