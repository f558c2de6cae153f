// Libraries loaded by name: the Win32 loader itself, with its own search
// order (the program's folder first).
#include "oal/library.h"

namespace oal {

HMODULE LoadLibraryA(LPCSTR name) { return ::LoadLibraryA(name); }
FARPROC GetProcAddress(HMODULE module, LPCSTR name) { return ::GetProcAddress(module, name); }
BOOL FreeLibrary(HMODULE module) { return ::FreeLibrary(module); }
HMODULE GetModuleHandleA(LPCSTR name) { return ::GetModuleHandleA(name); }
BOOL GetModuleHandleExA(DWORD flags, LPCSTR name, HMODULE* module) {
  return ::GetModuleHandleExA(flags, name, module);
}
DWORD GetModuleFileNameA(HMODULE module, LPSTR name, DWORD size) { return ::GetModuleFileNameA(module, name, size); }

}  // namespace oal
