// Last error and the system's message texts, as Windows words them.
#include <cstdlib>
#include <cstring>

#include "handles.h"
#include "oal/errors.h"

namespace {

struct SystemText {
  DWORD code;
  const char* text;
};

// The texts Windows gives for the codes the simulated machine raises.
const SystemText kSystemTexts[] = {
    {ERROR_SUCCESS, "The operation completed successfully."},
    {ERROR_INVALID_FUNCTION, "Incorrect function."},
    {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified."},
    {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified."},
    {ERROR_ACCESS_DENIED, "Access is denied."},
    {ERROR_INVALID_HANDLE, "The handle is invalid."},
    {ERROR_NOT_ENOUGH_MEMORY, "Not enough storage is available to process this command."},
    {ERROR_BAD_FORMAT, "An attempt was made to load a program with an incorrect format."},
    {ERROR_INVALID_DATA, "The data is invalid."},
    {ERROR_GEN_FAILURE, "A device attached to the system is not functioning."},
    {ERROR_NOT_SUPPORTED, "The request is not supported."},
    {ERROR_FILE_EXISTS, "The file exists."},
    {ERROR_INVALID_PARAMETER, "The parameter is incorrect."},
    {ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small."},
    {ERROR_MOD_NOT_FOUND, "The specified module could not be found."},
    {ERROR_PROC_NOT_FOUND, "The specified procedure could not be found."},
    {ERROR_BAD_PATHNAME, "The specified path is invalid."},
    {ERROR_BUFFER_OVERFLOW, "The file name is too long."},
    {ERROR_DIRECTORY, "The directory name is invalid."},
    {ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists."},
    {ERROR_MORE_DATA, "More data is available."},
    {ERROR_NO_MORE_ITEMS, "No more data is available."},
    {1009, "The configuration registry database is corrupt."},
    {1018, "Illegal operation attempted on a registry key that has been marked for deletion."},
    {ERROR_SERVICE_ALREADY_RUNNING, "An instance of the service is already running."},
    {ERROR_SERVICE_DISABLED,
     "The service cannot be started, either because it is disabled or because it has no enabled "
     "devices associated with it."},
    {ERROR_SERVICE_DOES_NOT_EXIST, "The specified service does not exist as an installed service."},
    {ERROR_SERVICE_NOT_ACTIVE, "The service has not been started."},
    {ERROR_SERVICE_MARKED_FOR_DELETE, "The specified service has been marked for deletion."},
    {ERROR_SERVICE_EXISTS, "The specified service already exists."},
    {ERROR_INVALID_IMAGE_HASH,
     "Windows cannot verify the digital signature for this file. A recent hardware or software change might have "
     "installed a file that is signed incorrectly or damaged, or that might be malicious software from an unknown "
     "source."},
    {ERROR_DRIVER_BLOCKED, "This driver has been blocked from loading"},
    {ERROR_DEVICE_NOT_CONNECTED, "The device is not connected."},
    {ERROR_FILE_CORRUPT, "The file or directory is corrupted and unreadable."},
    {ERROR_INVALID_PRINTER_NAME, "The printer name is invalid."},
    {ERROR_RESOURCE_DATA_NOT_FOUND, "The specified image file did not contain a resource section."},
    {ERROR_RESOURCE_TYPE_NOT_FOUND, "The specified resource type cannot be found in the image file."},
    {ERROR_RESOURCE_NAME_NOT_FOUND, "The specified resource name cannot be found in the image file."},
};

const DWORD kErrorMessageNotFound = 317;  // ERROR_MR_MID_NOT_FOUND

}  // namespace

namespace oal {

DWORD GetLastError() { return sim::last_error(); }
void SetLastError(DWORD code) { sim::set_last_error(code); }

DWORD FormatMessageA(DWORD flags, LPCVOID, DWORD message_id, DWORD, LPSTR buffer, DWORD size,
                     va_list*) {
  if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM) || !buffer) {
    sim::set_last_error(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const char* found = nullptr;
  for (const auto& t : kSystemTexts)
    if (t.code == message_id) found = t.text;
  if (!found) {
    sim::set_last_error(kErrorMessageNotFound);
    return 0;
  }
  // System texts end with a line break, as Windows stores them.
  std::string text = std::string(found) + "\r\n";
  if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
    char* copy = static_cast<char*>(std::malloc(text.size() + 1));
    if (!copy) {
      sim::set_last_error(ERROR_NOT_ENOUGH_MEMORY);
      return 0;
    }
    std::memcpy(copy, text.c_str(), text.size() + 1);
    *reinterpret_cast<char**>(buffer) = copy;
    return static_cast<DWORD>(text.size());
  }
  if (size < text.size() + 1) {
    sim::set_last_error(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<DWORD>(text.size());
}

HLOCAL LocalFree(HLOCAL memory) {
  std::free(memory);
  return nullptr;
}

}  // namespace oal
