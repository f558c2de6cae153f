#include "hw/driver_advice.h"

#include "core/msglog.h"

namespace {

constexpr DWORD kAnyError = 0xFFFFFFFFu;

// "ERROR: <what happened>: <what to do>"
struct Advice {
  DriverStep step;
  DWORD error;
  const char* what;
  const char* todo;
};

constexpr const char kAsAdministrator[] =
    "run the program as an administrator (right-click it and choose Run as administrator, or start it from an "
    "administrator's command prompt)";
constexpr const char kInstallDenied[] = "Only an administrator may install and start the register access driver";
constexpr const char kMarkedForDeletion[] = "The hwpeek service of an earlier run is still marked for deletion";
constexpr const char kCloseOrReboot[] =
    "close the other program that holds it (another toolkit program, or the Services window), or reboot, then "
    "run again";

const Advice kAdvice[] = {
    {DriverStep::Wow64, kAnyError, "This is the 32-bit toolkit on 64-bit Windows, whose kernel cannot load a 32-bit driver",
     "use the 64-bit archive (lumagraph-toolkit-" LUMA_TOOLKIT_VERSION "-win64.zip) instead"},
    {DriverStep::ServiceManager, ERROR_ACCESS_DENIED, kInstallDenied, kAsAdministrator},
    {DriverStep::Service, ERROR_ACCESS_DENIED, kInstallDenied, kAsAdministrator},
    {DriverStep::Start, ERROR_ACCESS_DENIED, kInstallDenied, kAsAdministrator},
    {DriverStep::Device, ERROR_ACCESS_DENIED, "The register access driver's device admits only Administrators and SYSTEM",
     kAsAdministrator},
    {DriverStep::Start, ERROR_INVALID_IMAGE_HASH, "Windows refused the signature of hwpeek.sys",
     "on a test board trust the archive's test certificate and turn test signing on as its README.txt says; a "
     "release board needs the archive signed with a release certificate"},
    {DriverStep::Start, ERROR_DRIVER_BLOCKED,
     "Windows blocked hwpeek.sys by policy (its vulnerable driver blocklist, memory integrity or an application "
     "control policy)",
     "ask the board's administrator to allow the driver, or use a board without that policy"},
    {DriverStep::Service, ERROR_SERVICE_MARKED_FOR_DELETE, kMarkedForDeletion, kCloseOrReboot},
    {DriverStep::Start, ERROR_SERVICE_MARKED_FOR_DELETE, kMarkedForDeletion, kCloseOrReboot},
    {DriverStep::DeviceAfterStart, kAnyError, "The register access driver started, but its device \\\\.\\HwPeekDev did not appear",
     "reboot and run again; if it is still missing, look for hwpeek in the system event log"},
};

}  // namespace

void report_driver_error(DriverStep step, DWORD error) {
  if (step != DriverStep::Wow64) print_error_text(error);
  for (const Advice& a : kAdvice)
    if (a.step == step && (a.error == kAnyError || a.error == error)) {
      if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: %s: %s", a.what, a.todo);
      return;
    }
}
