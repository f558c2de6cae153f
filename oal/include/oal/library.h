// Libraries loaded by name at run time. A "name.dll" resolves to the
// platform's own naming of a shared library ("libname.so" on Linux).
#pragma once
#include "oal/win_types.h"

namespace oal {
HMODULE LoadLibraryA(LPCSTR name);
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
BOOL FreeLibrary(HMODULE module);
// Null asks for the calling program's own executable module.
HMODULE GetModuleHandleA(LPCSTR name);
// With GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, `name` is an address inside
// a module: the program or the shared library that holds it.
BOOL GetModuleHandleExA(DWORD flags, LPCSTR name, HMODULE* module);
// The file of a module (null: the calling program). Returns the characters
// copied; a path that does not fit fills the buffer unterminated and is
// answered with `size` and ERROR_INSUFFICIENT_BUFFER.
DWORD GetModuleFileNameA(HMODULE module, LPSTR name, DWORD size);

// GetProcAddress with the entry's real type.
template <class F>
F proc_address(HMODULE module, LPCSTR name) {
  return reinterpret_cast<F>(reinterpret_cast<void (*)()>(oal::GetProcAddress(module, name)));
}
}  // namespace oal
