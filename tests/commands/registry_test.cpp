// The simulated registry as the toolkit sees it through the platform layer.
#include <cstring>
#include <string>

#include "oal/oal.h"
#include "support/sim_fixture.h"

namespace {

const char kCpuKey[] = "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";

class RegistryTest : public SimTest {
 protected:
  std::string profile() const override {
    return "base = dov\n"
           "[registry HKLM\\SOFTWARE\\Luma\\Config]\n"
           "Name = \"  padded  \"\n"
           "Count = dword:0x2A\n"
           "Blob = hex:01,02,ff\n"
           "List = multi:a|bc\n"
           "@ = default text\n"
           "[registry HKLM\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0]\n"
           "VendorIdentifier = LumaVendor\n"
           "[faults]\n"
           "registry_open = HKLM\\SOFTWARE\\Locked\n"
           "registry_read = HKLM\\SOFTWARE\\Luma\\Config\\Blob\n";
  }
  std::string query_sz(HKEY key, const char* name) {
    char buf[256] = {};
    DWORD size = sizeof buf, type = 0;
    EXPECT_EQ(oal::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    return std::string(buf, size ? size - 1 : 0);
  }
};

TEST_F(RegistryTest, ProfileValuesKeepTheirTypes) {
  HKEY key = nullptr;
  ASSERT_EQ(oal::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\LUMA\\config", 0, KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_EQ(query_sz(key, "Name"), "  padded  ");
  EXPECT_EQ(query_sz(key, nullptr), "default text");
  DWORD count = 0, size = sizeof count, type = 0;
  EXPECT_EQ(oal::RegQueryValueExA(key, "count", nullptr, &type, reinterpret_cast<BYTE*>(&count), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(count, 42u);
  char multi[16] = {};
  size = 3;  // too small: the size needed comes back
  EXPECT_EQ(oal::RegQueryValueExA(key, "List", nullptr, &type, reinterpret_cast<BYTE*>(multi), &size),
            ERROR_MORE_DATA);
  EXPECT_EQ(size, 6u);  // "a\0bc\0\0"
  EXPECT_EQ(multi[0], 0);  // untouched
  DWORD subs = 9, values = 0;
  EXPECT_EQ(oal::RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subs, nullptr, nullptr, &values, nullptr,
                                  nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(subs, 0u);
  EXPECT_EQ(values, 5u);
  EXPECT_EQ(oal::RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(oal::RegCloseKey(key), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, ProcessorKeyMixesProfileAndHost) {
  HKEY key = nullptr;
  ASSERT_EQ(oal::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kCpuKey, 0, KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_EQ(query_sz(key, "VendorIdentifier"), "LumaVendor");
  if (std::string(read_file("/proc/cpuinfo")).find("cpu family") != std::string::npos) {
    EXPECT_EQ(query_sz(key, "Identifier").rfind("x86 Family ", 0), 0u);
  }
  oal::RegCloseKey(key);
}

TEST_F(RegistryTest, ChangesPersistAcrossReboots) {
  HKEY key = nullptr;
  DWORD disp = 0;
  ASSERT_EQ(oal::RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\New\\Deep", 0, nullptr, 0, KEY_ALL_ACCESS,
                                 nullptr, &key, &disp),
            ERROR_SUCCESS);
  EXPECT_EQ(disp, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  const char text[] = "v=1|x";
  ASSERT_EQ(oal::RegSetValueExA(key, "a=b|c", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text),
            ERROR_SUCCESS);
  oal::RegCloseKey(key);
  reboot();
  ASSERT_EQ(oal::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\New\\Deep", 0, KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_EQ(query_sz(key, "A=B|C"), "v=1|x");
  char name[32];
  DWORD name_size = sizeof name;
  EXPECT_EQ(oal::RegEnumValueA(key, 0, name, &name_size, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_STREQ(name, "a=b|c");
  name_size = sizeof name;
  EXPECT_EQ(oal::RegEnumValueA(key, 1, name, &name_size, nullptr, nullptr, nullptr, nullptr),
            ERROR_NO_MORE_ITEMS);
  // Deleting the tree under an open handle makes the handle stale.
  EXPECT_EQ(oal::SHDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\New"), ERROR_SUCCESS);
  DWORD size = 0;
  EXPECT_EQ(oal::RegQueryValueExA(key, "a=b|c", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
  oal::RegCloseKey(key);
  EXPECT_EQ(oal::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\New", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, EnumeratesSubKeysInOrder) {
  HKEY key = nullptr;
  for (const char* sub : {"SOFTWARE\\E\\b", "SOFTWARE\\E\\A", "SOFTWARE\\E\\c\\deeper"}) {
    ASSERT_EQ(oal::RegCreateKeyExA(HKEY_LOCAL_MACHINE, sub, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    oal::RegCloseKey(key);
  }
  ASSERT_EQ(oal::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\E", 0, KEY_READ, &key), ERROR_SUCCESS);
  std::string seen;
  char name[8];
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof name;
    LSTATUS rc = oal::RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(rc, ERROR_SUCCESS);
    seen += std::string(name) + ",";
  }
  EXPECT_EQ(seen, "A,b,c,");
  DWORD tiny = 1;
  EXPECT_EQ(oal::RegEnumKeyExA(key, 0, name, &tiny, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
  oal::RegCloseKey(key);
}

TEST_F(RegistryTest, InjectedFaultsAndBadArguments) {
  HKEY key = nullptr;
  EXPECT_EQ(oal::RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Locked", 0, nullptr, 0, KEY_READ, nullptr, &key,
                                 nullptr),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(key, nullptr);
  EXPECT_EQ(oal::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "\\SOFTWARE", 0, KEY_READ, &key), ERROR_BAD_PATHNAME);
  EXPECT_EQ(oal::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\\\Luma", 0, KEY_READ, &key), ERROR_BAD_PATHNAME);
  ASSERT_EQ(oal::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Luma\\Config", 0, KEY_READ, &key), ERROR_SUCCESS);
  DWORD size = 0;
  EXPECT_EQ(oal::RegQueryValueExA(key, "Blob", nullptr, nullptr, nullptr, &size), ERROR_ACCESS_DENIED);
  EXPECT_EQ(oal::RegQueryValueExA(key, "Missing", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  // Opened for reading only.
  DWORD one = 1;
  EXPECT_EQ(oal::RegSetValueExA(key, "x", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4), ERROR_ACCESS_DENIED);
  oal::RegCloseKey(key);
}

class BadRegistryProfile : public ::testing::Test {};

TEST_F(BadRegistryProfile, RefusesToBoot) {
  std::string dir = make_temp_dir("badreg");
  for (const char* text : {"[registry HKXX\\Soft]\nA = 1\n", "[registry HKLM\\Soft]\nA = dword:zz\n",
                           "[registry HKLM\\Soft]\nA = hex:1,2\n", "[faults]\nregistry_open = nowhere\n"}) {
    auto& m = sim::Machine::boot_text(text, dir);
    ASSERT_NE(m.fault(), nullptr) << text;
    EXPECT_NE(std::string(m.fault()).find("registry"), std::string::npos) << m.fault();
  }
  std::system(("rm -rf '" + dir + "'").c_str());
}

}  // namespace
