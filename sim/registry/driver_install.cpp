// The Lumagraph driver as its installation leaves it on a machine: the
// registry keys the display driver owns and reads (the device map entry,
// the video key with its numbered configurations, the display-class
// instance, the service key, the uninstall entry) and its INF file in the
// Windows folder. A profile installs it with
//   [driver_install]
//   inf = oem3.inf      the INF file's name (default oem3.inf)
//   instance = 1        the display-class instance 000N, 0 to 3 (default 0)
//   installed = no      a machine without the driver
#include <cstring>

#include "registry_store.h"

namespace sim {
namespace {

const char kVideoGuid[] = "{7D5A1E2B-3C4F-4E61-9A8B-0C1D2E3F4A5B}";

// In the profile's registry notation; $I is the instance digit, $F the INF
// name, $G the video key's GUID.
const char kInstalled[] = R"(
[registry HKLM\HARDWARE\DEVICEMAP\VIDEO]
\Device\Video0 = \Registry\Machine\System\CurrentControlSet\Control\Video\$G\0000
MaxObjectNumber = dword:0

[registry HKLM\SYSTEM\CurrentControlSet\Control\Video\$G\0000]
ConfigId = dword:3
Device Description = Varnel Corporation Lumagraph Graphics Controller
InstalledDisplayDrivers = multi:lumagraph
HardwareInformation.ChipType = hex:4c,00,75,00,6d,00,61,00,00,00
HardwareInformation.MemorySize = hex:00,00,00,08
VideoRegistryPath = expand:%SystemRoot%\System32\DRIVERS\lumamini.sys

[registry HKLM\SYSTEM\CurrentControlSet\Control\Video\$G\0000\All\1\General]
Name = Single LVDS
PortOrder = 40000
DisplayConfig = dword:0x00000011
EnableOverlay = dword:1
Features = multi:rotation|flip|overlay
MemoryReserve = qword:0x800000

[registry HKLM\SYSTEM\CurrentControlSet\Control\Video\$G\0000\All\1\Port\4\General]
PanelName = "Lumagraph 15in XGA"
Edid = dword:0
FixedTiming = hex:00,04,00,03,3c,00

[registry HKLM\SYSTEM\CurrentControlSet\Control\Video\$G\0000\All\2\General]
Name = Clone LVDS CRT
PortOrder = 45000
DisplayConfig = dword:0x00000152

[registry HKLM\SYSTEM\CurrentControlSet\Control\Video\$G\0000\All\2\Port\4\General]
PanelName = "Lumagraph 15in XGA"
Edid = dword:0

[registry HKLM\SYSTEM\CurrentControlSet\Control\Video\$G\0000\All\2\Port\5\General]
Edid = dword:1
DefaultMode = hex:00,04,00,03,4b,00

[registry HKLM\SYSTEM\CurrentControlSet\Control\Video\$G\0000\All\3\General]
Name = Extended CRT LVDS
PortOrder = 54000
DisplayConfig = dword:0x00000518
EnableOverlay = dword:0

[registry HKLM\SYSTEM\CurrentControlSet\Control\Video\$G\0000\All\3\Port\4\Attributes]
Brightness = dword:0x50
Contrast = dword:0x40
GammaRamp = hex:10,20,30

[registry HKLM\SYSTEM\CurrentControlSet\Control\Video\$G\0000\All\3\Port\5\General]
Edid = dword:1
ModeList = multi:1024x768x75|1280x1024x60
SavedPath = expand:%SystemRoot%\lumagraph

[registry HKLM\SYSTEM\CurrentControlSet\Control\Class\{4d36e968-e325-11ce-bfc1-08002be10318}\000$I]
DriverDesc = Varnel Corporation Lumagraph Graphics Controller
InfPath = $F
InfSection = lumamini_Install
ProviderName = Varnel Corporation
DriverVersion = 14.21.0.4436
DriverDate = 3-14-2006

[registry HKLM\SYSTEM\CurrentControlSet\Control\Class\{4d36e968-e325-11ce-bfc1-08002be10318}\000$I\Settings]
Device Description = Varnel Corporation Lumagraph Graphics Controller
InstalledDisplayDrivers = multi:lumagraph
VideoMemorySize = dword:0x08000000

[registry HKLM\SYSTEM\CurrentControlSet\Services\lumamini]
Type = dword:1
Start = dword:3
ErrorControl = dword:0
Group = Video
ImagePath = expand:System32\DRIVERS\lumamini.sys

[registry HKLM\SYSTEM\CurrentControlSet\Services\lumamini\Device0]
InstalledDisplayDrivers = multi:lumagraph
VgaCompatible = dword:0
Device Description = Varnel Corporation Lumagraph Graphics Controller

[registry HKLM\SYSTEM\CurrentControlSet\Services\lumamini\Enum]
Count = dword:1
NextInstance = dword:1

[registry HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\LumagraphDriver]
DisplayName = Varnel Lumagraph Graphics Driver
DisplayVersion = 14.21.0.4436
Publisher = Varnel Corporation
UninstallString = expand:%SystemRoot%\System32\lumainst.exe -uninstall
)";

// The INF file as the installer copies it: CR LF line ends, blank lines
// between sections.
const char kInfText[] =
    "; lumamini.inf\r\n"
    ";\r\n"
    "; Installation file for the Varnel Corporation Lumagraph graphics driver\r\n"
    "\r\n"
    "[Version]\r\n"
    "Signature=\"$WINDOWS NT$\"\r\n"
    "Provider=%Varnel%\r\n"
    "ClassGUID={4D36E968-E325-11CE-BFC1-08002BE10318}\r\n"
    "Class=Display\r\n"
    "CatalogFile=lumamini.cat\r\n"
    "DriverVer=03/14/2006,14.21.0.4436\r\n"
    "\r\n"
    "[DestinationDirs]\r\n"
    "DefaultDestDir=11\r\n"
    "lumamini.Miniport=12\r\n"
    "\r\n"
    "[Manufacturer]\r\n"
    "%Varnel%=Varnel\r\n"
    "\r\n"
    "[Varnel]\r\n"
    "%Lumagraph%=lumamini_Install, PCI\\VEN_1E1D&CC_0300\r\n"
    "\r\n"
    "[lumamini_Install]\r\n"
    "CopyFiles=lumamini.Miniport, lumamini.Display\r\n"
    "\r\n"
    "[lumamini_Install.Services]\r\n"
    "AddService=lumamini, 0x00000002, lumamini_Service\r\n"
    "\r\n"
    "[lumamini_Service]\r\n"
    "ServiceType=1\r\n"
    "StartType=3\r\n"
    "ErrorControl=0\r\n"
    "LoadOrderGroup=Video\r\n"
    "ServiceBinary=%12%\\lumamini.sys\r\n"
    "\r\n"
    "[Strings]\r\n"
    "Varnel=\"Varnel Corporation\"\r\n"
    "Lumagraph=\"Varnel Corporation Lumagraph Graphics Controller\"\r\n";

void replace_all(std::string& text, const std::string& what, const std::string& with) {
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
    text.replace(at, what.size(), with);
}

bool check_profile(const Profile& p, std::string& error) {
  const auto* section = p.section("driver_install");
  if (!section) return true;
  for (const auto& [key, value] : *section) {
    if (key != "installed" && key != "inf" && key != "instance") {
      error = "[driver_install] has no key '" + key + "' (installed, inf, instance)";
      return false;
    }
  }
  std::string inf = p.get("driver_install", "inf", "oem3.inf");
  if (inf.empty() || inf.size() > 64 || inf.find_first_of("\\/:") != std::string::npos) {
    error = "[driver_install] inf must be a plain file name such as oem3.inf";
    return false;
  }
  long long instance = p.number("driver_install", "instance", -1);
  if (p.has("driver_install", "instance") && (instance < 0 || instance > 3)) {
    error = "[driver_install] instance must be 0 to 3";
    return false;
  }
  return true;
}

const bool kChecked = (register_profile_check("driver_install", check_profile), true);

}  // namespace

bool install_driver(Machine& machine, const RegistryAdder& add, std::string& error) {
  (void)kChecked;
  const Profile& p = machine.profile();
  if (!p.section("driver_install") || !p.flag("driver_install", "installed", true)) return true;
  std::string inf = p.get("driver_install", "inf", "oem3.inf");
  std::string text = kInstalled;
  replace_all(text, "$I", std::to_string(p.number("driver_install", "instance", 0)));
  replace_all(text, "$F", inf);
  replace_all(text, "$G", kVideoGuid);
  auto fragment = Profile::parse(text, "driver installation", error);
  if (!fragment) return false;
  for (const auto& section : fragment->sections_named("registry")) {
    auto path = Registry::canonical(section.substr(9));
    if (!path) {
      error = "driver installation: bad key " + section;
      return false;
    }
    add(*path, nullptr);
    for (const auto& [name, value_text] : *fragment->section(section)) {
      RegValue v;
      if (!parse_reg_value(value_text, v, error)) return false;
      v.name = name;
      add(*path, &v);
    }
  }
  return machine.state_dir().empty() ||
         write_file_atomically(machine.host_path(machine.windows_dir() + "\\inf\\" + inf), kInfText, error);
}

}  // namespace sim
