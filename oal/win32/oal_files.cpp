// Files, the Windows directory and module resources: the Win32 calls and
// the C library's streams themselves.
#include <cstdio>

#include "oal/files.h"

namespace oal {

HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD share, void* security, DWORD disposition,
                   DWORD flags, HANDLE template_file) {
  return ::CreateFileA(path, access, share, static_cast<LPSECURITY_ATTRIBUTES>(security), disposition,
                       flags, template_file);
}
BOOL WriteFile(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, void* overlapped) {
  return ::WriteFile(file, data, size, written, static_cast<LPOVERLAPPED>(overlapped));
}
BOOL ReadFile(HANDLE file, LPVOID data, DWORD size, LPDWORD read, void* overlapped) {
  return ::ReadFile(file, data, size, read, static_cast<LPOVERLAPPED>(overlapped));
}
BOOL MoveFileA(LPCSTR from, LPCSTR to) { return ::MoveFileA(from, to); }
BOOL DeleteFileA(LPCSTR path) { return ::DeleteFileA(path); }
BOOL CopyFileA(LPCSTR from, LPCSTR to, BOOL fail_if_exists) { return ::CopyFileA(from, to, fail_if_exists); }
BOOL LockFileEx(HANDLE file, DWORD flags, DWORD reserved, DWORD bytes_low, DWORD bytes_high,
                LPOVERLAPPED overlapped) {
  return ::LockFileEx(file, flags, reserved, bytes_low, bytes_high, overlapped);
}
BOOL UnlockFileEx(HANDLE file, DWORD reserved, DWORD bytes_low, DWORD bytes_high, LPOVERLAPPED overlapped) {
  return ::UnlockFileEx(file, reserved, bytes_low, bytes_high, overlapped);
}
UINT GetWindowsDirectoryA(LPSTR buffer, UINT size) { return ::GetWindowsDirectoryA(buffer, size); }
DWORD GetFileSize(HANDLE file, LPDWORD size_high) { return ::GetFileSize(file, size_high); }
DWORD GetTempPathA(DWORD size, LPSTR buffer) { return ::GetTempPathA(size, buffer); }
UINT GetTempFileNameA(LPCSTR path, LPCSTR prefix, UINT unique, LPSTR temp_file_name) {
  return ::GetTempFileNameA(path, prefix, unique, temp_file_name);
}

FILE* fopen(const char* path, const char* mode) { return std::fopen(path, mode); }
FILE* freopen(const char* path, const char* mode, FILE* stream) { return std::freopen(path, mode, stream); }

HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) { return ::FindResourceA(module, name, type); }
HGLOBAL LoadResource(HMODULE module, HRSRC resource) { return ::LoadResource(module, resource); }
LPVOID LockResource(HGLOBAL data) { return ::LockResource(data); }
DWORD SizeofResource(HMODULE module, HRSRC resource) { return ::SizeofResource(module, resource); }

}  // namespace oal
