// The platform layer's contract, checked on whichever backend is built: the
// simulated machine on Linux, the real Win32 API on Windows (run under
// wine64 here). The toolkit relies on both giving the same results and the
// same last-error codes and texts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "oal/oal.h"

namespace {

std::string windows_dir() {
  char dir[MAX_PATH] = {};
  UINT n = oal::GetWindowsDirectoryA(dir, sizeof dir);
  EXPECT_GT(n, 0u);
  EXPECT_LT(n, sizeof dir);
  return dir;
}

// A file name in the Windows directory that no other test uses, so tests
// may run in parallel on one machine.
std::string scratch(const char* suffix) {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  return windows_dir() + "\\luma-" + info->test_suite_name() + "-" + info->name() + "-" + suffix;
}

bool write_whole(const std::string& path, const std::string& text, DWORD disposition = CREATE_ALWAYS) {
  HANDLE f = oal::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = oal::WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  oal::CloseHandle(f);
  return ok && written == text.size();
}

std::string read_whole(const std::string& path) {
  HANDLE f = oal::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return "<cannot open>";
  std::string out;
  char buf[64];
  DWORD got = 0;
  while (oal::ReadFile(f, buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
  oal::CloseHandle(f);
  return out;
}

class Files : public ::testing::Test {
 protected:
  void TearDown() override {
    for (const char* s : {"a", "b"}) oal::DeleteFileA(scratch(s).c_str());
  }
};

TEST_F(Files, WriteReadMoveAndDeleteRoundTrip) {
  const std::string a = scratch("a"), b = scratch("b");
  // More than one read buffer, with a NUL inside: files are bytes.
  std::string payload(150, 'x');
  payload[70] = '\0';
  ASSERT_TRUE(write_whole(a, payload));
  EXPECT_EQ(read_whole(a), payload);

  ASSERT_TRUE(oal::MoveFileA(a.c_str(), b.c_str()));
  EXPECT_EQ(read_whole(b), payload);
  oal::SetLastError(0);
  EXPECT_EQ(oal::CreateFileA(a.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(oal::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

  ASSERT_TRUE(oal::DeleteFileA(b.c_str()));
  EXPECT_EQ(read_whole(b), "<cannot open>");
}

// Each failing call and the last error it must leave; `a` exists before
// every case, `b` only where the case says so.
TEST_F(Files, FailuresSetTheWindowsErrorCodes) {
  struct Case {
    const char* what;
    bool b_exists;
    DWORD error;
    bool (*call)(const std::string& a, const std::string& b);
  };
  const Case cases[] = {
      {"open a missing file", false, ERROR_FILE_NOT_FOUND,
       [](const std::string&, const std::string& b) -> bool {
         return oal::CreateFileA(b.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr) !=
                INVALID_HANDLE_VALUE;
       }},
      {"open in a missing folder", false, ERROR_PATH_NOT_FOUND,
       [](const std::string&, const std::string& b) -> bool {
         std::string p = b + "-no-such-folder\\file";
         return oal::CreateFileA(p.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr) !=
                INVALID_HANDLE_VALUE;
       }},
      {"create a new file over an existing one", false, ERROR_FILE_EXISTS,
       [](const std::string& a, const std::string&) -> bool { return write_whole(a, "new", CREATE_NEW); }},
      {"delete a missing file", false, ERROR_FILE_NOT_FOUND,
       [](const std::string&, const std::string& b) -> bool { return oal::DeleteFileA(b.c_str()); }},
      {"move onto an existing file", true, ERROR_ALREADY_EXISTS,
       [](const std::string& a, const std::string& b) -> bool { return oal::MoveFileA(a.c_str(), b.c_str()); }},
      {"move a missing file", false, ERROR_FILE_NOT_FOUND,
       [](const std::string& a, const std::string& b) -> bool { return oal::MoveFileA(b.c_str(), a.c_str()); }},
      {"copy onto an existing file when that must fail", true, ERROR_FILE_EXISTS,
       [](const std::string& a, const std::string& b) -> bool { return oal::CopyFileA(a.c_str(), b.c_str(), TRUE); }},
  };
  const std::string a = scratch("a"), b = scratch("b");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(write_whole(a, "first"));
    oal::DeleteFileA(b.c_str());
    if (c.b_exists) {
      ASSERT_TRUE(write_whole(b, "second"));
    }
    oal::SetLastError(0);
    EXPECT_FALSE(c.call(a, b));
    EXPECT_EQ(oal::GetLastError(), c.error);
    // A failed call leaves both files as they were.
    EXPECT_EQ(read_whole(a), "first");
    if (c.b_exists) {
      EXPECT_EQ(read_whole(b), "second");
    }
  }
}

TEST_F(Files, CopyReplacesWhenAllowedAndStdioSeesTheSameFiles) {
  const std::string a = scratch("a"), b = scratch("b");
  ASSERT_TRUE(write_whole(a, "copied"));
  ASSERT_TRUE(write_whole(b, "old text that is longer"));
  ASSERT_TRUE(oal::CopyFileA(a.c_str(), b.c_str(), FALSE));
  EXPECT_EQ(read_whole(b), "copied");

  FILE* f = oal::fopen(b.c_str(), "ab");
  ASSERT_NE(f, nullptr);
  std::fputs(" and appended", f);
  std::fclose(f);
  EXPECT_EQ(read_whole(b), "copied and appended");
}

// Byte-range locks belong to a handle: another handle of the same file (of
// this process or another) cannot take a locked byte, takes the others, and
// takes it once the holder unlocks or closes.
TEST_F(Files, LocksBelongToTheirHandle) {
  const std::string a = scratch("a");
  auto open = [&] {
    return oal::CreateFileA(a.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  auto lock = [](HANDLE h, DWORD offset) {
    OVERLAPPED at{};
    at.Offset = offset;
    return oal::LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) != FALSE;
  };
  auto unlock = [](HANDLE h, DWORD offset) {
    OVERLAPPED at{};
    at.Offset = offset;
    return oal::UnlockFileEx(h, 0, 1, 0, &at) != FALSE;
  };
  HANDLE first = open(), second = open();
  ASSERT_NE(first, INVALID_HANDLE_VALUE);
  ASSERT_NE(second, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(lock(first, 5));  // past the end of the empty file
  oal::SetLastError(0);
  EXPECT_FALSE(lock(second, 5));
  EXPECT_EQ(oal::GetLastError(), static_cast<DWORD>(ERROR_LOCK_VIOLATION));
  EXPECT_TRUE(lock(second, 6));
  EXPECT_TRUE(unlock(second, 6));
  EXPECT_TRUE(unlock(first, 5));
  EXPECT_TRUE(lock(second, 5));
  EXPECT_TRUE(unlock(second, 5));
  // A waiting lock is granted at once when the byte is free.
  OVERLAPPED at{};
  at.Offset = 5;
  EXPECT_TRUE(oal::LockFileEx(first, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at));
  oal::CloseHandle(first);
  EXPECT_TRUE(lock(second, 5)) << "the lock went with its handle";
  oal::CloseHandle(second);
}

TEST(WindowsDirectory, ShortBufferGetsTheSizeNeeded) {
  std::string dir = windows_dir();
  char small[2] = {'?', '?'};
  UINT need = oal::GetWindowsDirectoryA(small, sizeof small);
  EXPECT_EQ(need, dir.size() + 1);
  char exact[MAX_PATH];
  EXPECT_EQ(oal::GetWindowsDirectoryA(exact, need), dir.size());
  EXPECT_EQ(std::string(exact), dir);
}

TEST(Libraries, LoadResolveAndFailWithTheirCodes) {
  oal::SetLastError(0);
  EXPECT_EQ(oal::LoadLibraryA("luma_no_such_library.dll"), nullptr);
  EXPECT_EQ(oal::GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));

  HMODULE user32 = oal::LoadLibraryA("user32.dll");
  ASSERT_NE(user32, nullptr);
  oal::SetLastError(0);
  EXPECT_EQ(oal::GetProcAddress(user32, "LumaNoSuchEntry"), nullptr);
  EXPECT_EQ(oal::GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  EXPECT_TRUE(oal::FreeLibrary(user32));
  EXPECT_NE(oal::GetModuleHandleA(nullptr), nullptr);
}

TEST(TemporaryFiles, EachNameIsNewAndCreatedEmpty) {
  char dir[MAX_PATH + 1] = {};
  DWORD n = oal::GetTempPathA(sizeof dir, dir);
  ASSERT_GT(n, 0u);
  ASSERT_LT(n, sizeof dir);
  EXPECT_EQ(dir[n - 1], '\\');
  char tiny[2] = {};
  EXPECT_EQ(oal::GetTempPathA(sizeof tiny, tiny), n + 1);  // the size needed

  char first[MAX_PATH] = {}, second[MAX_PATH] = {};
  UINT a = oal::GetTempFileNameA(dir, "lct", 0, first);
  UINT b = oal::GetTempFileNameA(dir, "lct", 0, second);
  ASSERT_NE(a, 0u);
  ASSERT_NE(b, 0u);
  EXPECT_NE(std::string(first), std::string(second));
  EXPECT_EQ(std::string(first).rfind(std::string(dir) + "lct", 0), 0u) << first;
  EXPECT_EQ(read_whole(first), "");
  HANDLE f = oal::CreateFileA(first, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  DWORD high = 7;
  EXPECT_EQ(oal::GetFileSize(f, &high), 0u);
  EXPECT_EQ(high, 0u);
  DWORD written = 0;
  ASSERT_TRUE(oal::WriteFile(f, "12345", 5, &written, nullptr));
  EXPECT_EQ(oal::GetFileSize(f, nullptr), 5u);
  oal::CloseHandle(f);
  EXPECT_EQ(oal::GetFileSize(INVALID_HANDLE_VALUE, nullptr), INVALID_FILE_SIZE);
  EXPECT_TRUE(oal::DeleteFileA(first));
  EXPECT_TRUE(oal::DeleteFileA(second));
  std::string nowhere = windows_dir() + "\\luma-no-such-folder";
  EXPECT_EQ(oal::GetTempFileNameA(nowhere.c_str(), "lct", 0, first), 0u);
}

TEST(Libraries, TheModuleHoldingAnAddressIsTheProgram) {
  HMODULE module = nullptr;
  ASSERT_TRUE(oal::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                      reinterpret_cast<LPCSTR>(&windows_dir), &module));
  EXPECT_EQ(module, oal::GetModuleHandleA(nullptr));
  EXPECT_FALSE(oal::GetModuleHandleExA(0, nullptr, nullptr));
}

TEST(Libraries, TheProgramsOwnFileAndAShortBuffer) {
  char path[MAX_PATH] = {};
  DWORD n = oal::GetModuleFileNameA(nullptr, path, sizeof path);
  ASSERT_GT(n, 0u);
  ASSERT_LT(n, sizeof path);
  EXPECT_EQ(std::strlen(path), n);
  std::string file(path);
  EXPECT_NE(file.find("platform_contract_tests"), std::string::npos) << file;
  EXPECT_NE(file.find_last_of("\\/"), std::string::npos) << "a full path: " << file;

  char cut[8];
  std::memset(cut, 'x', sizeof cut);
  oal::SetLastError(0);
  EXPECT_EQ(oal::GetModuleFileNameA(nullptr, cut, sizeof cut), static_cast<DWORD>(sizeof cut));
  EXPECT_EQ(oal::GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(std::string(cut, sizeof cut), file.substr(0, sizeof cut)) << "cut, with no room for a terminator";
}

TEST(System, VersionNeedsTheRecordSize) {
  OSVERSIONINFOA info;
  std::memset(&info, 0, sizeof info);
  info.dwOSVersionInfoSize = sizeof info - 1;
  EXPECT_FALSE(oal::GetVersionExA(&info));

  info.dwOSVersionInfoSize = sizeof info;
  ASSERT_TRUE(oal::GetVersionExA(&info));
  EXPECT_EQ(info.dwPlatformId, 2u);  // an NT system
  EXPECT_GE(info.dwMajorVersion, 5u);
  EXPECT_LT(std::strlen(info.szCSDVersion), sizeof info.szCSDVersion);
}

TEST(System, MemoryStatusIsConsistent) {
  MEMORYSTATUS status;
  std::memset(&status, 0xA5, sizeof status);
  oal::GlobalMemoryStatus(&status);
  EXPECT_EQ(status.dwLength, sizeof status);
  EXPECT_LE(status.dwMemoryLoad, 100u);
  EXPECT_GT(status.dwTotalPhys, 0u);
  EXPECT_LE(status.dwAvailPhys, status.dwTotalPhys);
  EXPECT_LE(status.dwAvailVirtual, status.dwTotalVirtual);
}

// The session asks before installing the driver whether it is a 32-bit
// program on 64-bit Windows. A program of its system's own width (the 64-bit
// build under wine64, the simulated machine's default) is not; the pseudo
// handle of the running process is the one the call takes.
TEST(System, Wow64IsAnsweredForTheRunningProgram) {
  BOOL wow64 = TRUE;
  ASSERT_TRUE(oal::IsWow64Process(oal::GetCurrentProcess(), &wow64));
  EXPECT_EQ(wow64, FALSE);
}

TEST(System, EventsResetAsCreatedAndHandlesCloseOnce) {
  for (BOOL manual : {FALSE, TRUE}) {
    SCOPED_TRACE(manual ? "manual reset" : "auto reset");
    HANDLE e = oal::CreateEventA(nullptr, manual, FALSE, nullptr);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(oal::WaitForSingleObject(e, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    ASSERT_TRUE(oal::SetEvent(e));
    EXPECT_EQ(oal::WaitForSingleObject(e, 0), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(oal::WaitForSingleObject(e, 0), static_cast<DWORD>(manual ? WAIT_OBJECT_0 : WAIT_TIMEOUT));
    EXPECT_TRUE(oal::CloseHandle(e));
  }
}

// The texts print_last_error shows. Their wording is the system's own (wine
// words them differently from Windows), so the contract is their shape:
// one line ending in a line break, the same in both forms of the call.
TEST(Errors, SystemTextsComeInBothFormsAndUnknownCodesFail) {
  const DWORD codes[] = {ERROR_SUCCESS,        ERROR_FILE_NOT_FOUND,  ERROR_PATH_NOT_FOUND,
                         ERROR_ACCESS_DENIED,  ERROR_INVALID_HANDLE,  ERROR_INVALID_PARAMETER,
                         ERROR_MOD_NOT_FOUND,  ERROR_PROC_NOT_FOUND,  ERROR_SERVICE_DOES_NOT_EXIST,
                         // a board's driver install reports it (wine has no text for 577 or 1275:
                         // the advice line stands alone there)
                         ERROR_SERVICE_MARKED_FOR_DELETE};
  for (DWORD code : codes) {
    SCOPED_TRACE(code);
    char buf[512];
    std::memset(buf, '#', sizeof buf);
    DWORD n = oal::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                  MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buf, sizeof buf, nullptr);
    ASSERT_GT(n, 2u);
    ASSERT_LT(n, sizeof buf);
    EXPECT_EQ(n, std::strlen(buf));
    EXPECT_EQ(std::string(buf + n - 2), "\r\n");
    EXPECT_EQ(std::string(buf).find('\n'), n - 1) << "one line only";

    // The allocating form gives the same text, released with LocalFree.
    LPSTR allocated = nullptr;
    DWORD m = oal::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, reinterpret_cast<LPSTR>(&allocated), 0, nullptr);
    ASSERT_EQ(m, n);
    ASSERT_NE(allocated, nullptr);
    EXPECT_STREQ(allocated, buf);
    EXPECT_EQ(oal::LocalFree(allocated), nullptr);
  }

  // A code without a text: no text, and the system's "message not found".
  char buf[64] = "untouched";
  oal::SetLastError(0);
  EXPECT_EQ(oal::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, 0x2000FFFFu, 0,
                                buf, sizeof buf, nullptr),
            0u);
  EXPECT_EQ(oal::GetLastError(), 317u);  // ERROR_MR_MID_NOT_FOUND
}

TEST(Errors, LastErrorIsKeptUntilSet) {
  oal::SetLastError(ERROR_INVALID_DATA);
  EXPECT_EQ(oal::GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
  oal::SetLastError(0);
  EXPECT_EQ(oal::GetLastError(), 0u);
}

}  // namespace
