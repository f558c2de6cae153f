// Files, the Windows directory and the resources embedded in a module.
// Paths are Windows paths: backslashes and drive letters work everywhere.
#pragma once
#include <cstdio>
#include "oal/win_types.h"

namespace oal {
HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD share, void* security, DWORD disposition,
                   DWORD flags, HANDLE template_file);
BOOL WriteFile(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, void* overlapped);
BOOL ReadFile(HANDLE file, LPVOID data, DWORD size, LPDWORD read, void* overlapped);
BOOL MoveFileA(LPCSTR from, LPCSTR to);
BOOL DeleteFileA(LPCSTR path);
BOOL CopyFileA(LPCSTR from, LPCSTR to, BOOL fail_if_exists);
// Byte-range locks of an opened file, shared by every process of the
// machine: the range from the record's offset; an exclusive lock waits for
// other holders unless LOCKFILE_FAIL_IMMEDIATELY (then ERROR_LOCK_VIOLATION).
// A lock goes with its handle, and with its process when that ends.
BOOL LockFileEx(HANDLE file, DWORD flags, DWORD reserved, DWORD bytes_low, DWORD bytes_high,
                LPOVERLAPPED overlapped);
BOOL UnlockFileEx(HANDLE file, DWORD reserved, DWORD bytes_low, DWORD bytes_high, LPOVERLAPPED overlapped);
UINT GetWindowsDirectoryA(LPSTR buffer, UINT size);
// INVALID_FILE_SIZE with the last error set on failure.
DWORD GetFileSize(HANDLE file, LPDWORD size_high);
// The folder for temporary files, with its closing backslash.
DWORD GetTempPathA(DWORD size, LPSTR buffer);
// With `unique` 0: creates an empty file "<path>\<prefix>XXXX.tmp" of a name
// no other file has and returns its number; 0 on failure.
UINT GetTempFileNameA(LPCSTR path, LPCSTR prefix, UINT unique, LPSTR temp_file_name);

// The C library's fopen/freopen over a Windows path.
FILE* fopen(const char* path, const char* mode);
FILE* freopen(const char* path, const char* mode, FILE* stream);

HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL data);
DWORD SizeofResource(HMODULE module, HRSRC resource);
}  // namespace oal

#ifndef MAKEINTRESOURCEA
#define MAKEINTRESOURCEA(i) ((LPSTR)((ULONG_PTR)((WORD)(i))))
#endif
#ifndef IS_INTRESOURCE
#define IS_INTRESOURCE(r) ((((ULONG_PTR)(r)) >> 16) == 0)
#endif
