// The registry calls' contract on every backend: the status codes, the
// sizes reported for short buffers, enumeration and recursive deletion.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "oal/registry.h"

namespace {

// A key of its own per test under the current user's software key.
class Registry : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = std::string("Software\\LumaContractTest\\") +
            ::testing::UnitTest::GetInstance()->current_test_info()->name();
    oal::SHDeleteKeyA(HKEY_CURRENT_USER, path_.c_str());
    DWORD disposition = 0;
    ASSERT_EQ(oal::RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                   KEY_ALL_ACCESS, nullptr, &key_, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  }
  void TearDown() override {
    if (key_) oal::RegCloseKey(key_);
    oal::SHDeleteKeyA(HKEY_CURRENT_USER, path_.c_str());
  }
  std::string path_;
  HKEY key_ = nullptr;
};

TEST_F(Registry, ValuesKeepTypeAndBytesAndShortBuffersGetTheSize) {
  const DWORD number = 0x80000001u;
  const char text[] = "Lumagraph";
  ASSERT_EQ(oal::RegSetValueExA(key_, "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                                sizeof number),
            ERROR_SUCCESS);
  ASSERT_EQ(oal::RegSetValueExA(key_, "Text", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text),
            ERROR_SUCCESS);

  DWORD type = 0, got = 0, size = sizeof got;
  ASSERT_EQ(oal::RegQueryValueExA(key_, "Number", nullptr, &type, reinterpret_cast<BYTE*>(&got), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(got, number);
  EXPECT_EQ(size, sizeof number);

  // Too small: ERROR_MORE_DATA, the size needed, and nothing past the buffer.
  char buf[8];
  std::memset(buf, '#', sizeof buf);
  size = 4;
  EXPECT_EQ(oal::RegQueryValueExA(key_, "Text", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size),
            ERROR_MORE_DATA);
  EXPECT_EQ(size, sizeof text);
  for (size_t i = 4; i < sizeof buf; ++i) EXPECT_EQ(buf[i], '#');

  // Size only.
  size = 0;
  EXPECT_EQ(oal::RegQueryValueExA(key_, "Text", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, sizeof text);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));

  EXPECT_EQ(oal::RegDeleteValueA(key_, "Number"), ERROR_SUCCESS);
  EXPECT_EQ(oal::RegDeleteValueA(key_, "Number"), ERROR_FILE_NOT_FOUND);
  size = sizeof got;
  EXPECT_EQ(oal::RegQueryValueExA(key_, "Number", nullptr, &type, reinterpret_cast<BYTE*>(&got), &size),
            ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, EnumerationCountsAndEndsWithNoMoreItems) {
  for (const char* sub : {"Alpha", "Beta"}) {
    HKEY child = nullptr;
    ASSERT_EQ(oal::RegCreateKeyExA(key_, sub, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr),
              ERROR_SUCCESS);
    oal::RegCloseKey(child);
  }
  const DWORD one = 1;
  ASSERT_EQ(oal::RegSetValueExA(key_, "LongerValueName", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one),
                                sizeof one),
            ERROR_SUCCESS);

  DWORD sub_keys = 0, max_sub = 0, values = 0, max_name = 0, max_data = 0;
  ASSERT_EQ(oal::RegQueryInfoKeyA(key_, nullptr, nullptr, nullptr, &sub_keys, &max_sub, nullptr, &values,
                                  &max_name, &max_data, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(sub_keys, 2u);
  EXPECT_EQ(max_sub, 5u);
  EXPECT_EQ(values, 1u);
  EXPECT_EQ(max_name, std::strlen("LongerValueName"));
  EXPECT_EQ(max_data, sizeof one);

  std::set<std::string> seen;
  for (DWORD i = 0;; ++i) {
    char name[64];
    DWORD size = sizeof name;
    LSTATUS s = oal::RegEnumKeyExA(key_, i, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (s == ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(s, ERROR_SUCCESS);
    EXPECT_EQ(size, std::strlen(name));
    seen.insert(name);
    ASSERT_LT(i, 10u);
  }
  EXPECT_EQ(seen, (std::set<std::string>{"Alpha", "Beta"}));

  char name[4];
  DWORD name_size = sizeof name, type = 0;
  EXPECT_EQ(oal::RegEnumValueA(key_, 0, name, &name_size, nullptr, &type, nullptr, nullptr), ERROR_MORE_DATA);
  char full[64];
  name_size = sizeof full;
  ASSERT_EQ(oal::RegEnumValueA(key_, 0, full, &name_size, nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_STREQ(full, "LongerValueName");
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  name_size = sizeof full;
  EXPECT_EQ(oal::RegEnumValueA(key_, 1, full, &name_size, nullptr, &type, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
}

TEST_F(Registry, ShellDeletesTheWholeTreeAndOpeningItThenFails) {
  HKEY child = nullptr;
  ASSERT_EQ(oal::RegCreateKeyExA(key_, "Deep\\Deeper", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr),
            ERROR_SUCCESS);
  oal::RegCloseKey(child);
  oal::RegCloseKey(key_);
  key_ = nullptr;

  EXPECT_EQ(oal::SHDeleteKeyA(HKEY_CURRENT_USER, path_.c_str()), ERROR_SUCCESS);
  HKEY opened = nullptr;
  EXPECT_EQ(oal::RegOpenKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_READ, &opened), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(oal::SHDeleteKeyA(HKEY_CURRENT_USER, path_.c_str()), ERROR_FILE_NOT_FOUND);
}

}  // namespace

namespace {

TEST_F(Registry, OpeningForReadingCreatesNothingAndRefusesWrites) {
  HKEY missing = nullptr;
  EXPECT_EQ(oal::RegOpenKeyExA(key_, "Missing\\Deeper", 0, KEY_READ, &missing), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(missing, nullptr);
  DWORD subkeys = 9, values = 9, longest_subkey = 9, longest_name = 9, longest_data = 9;
  ASSERT_EQ(oal::RegQueryInfoKeyA(key_, nullptr, nullptr, nullptr, &subkeys, &longest_subkey, nullptr, &values,
                                  &longest_name, &longest_data, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(subkeys, 0u);
  EXPECT_EQ(values, 0u);

  const char text[] = "twelve bytes";
  ASSERT_EQ(oal::RegSetValueExA(key_, "LongerName", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text),
            ERROR_SUCCESS);
  HKEY child = nullptr;
  ASSERT_EQ(oal::RegCreateKeyExA(key_, "Sub", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr),
            ERROR_SUCCESS);
  oal::RegCloseKey(child);
  // The longest name and data sizes size a reader's buffers. Windows may
  // count a text's data as stored (two bytes a character), so the data
  // size is an upper bound.
  ASSERT_EQ(oal::RegQueryInfoKeyA(key_, nullptr, nullptr, nullptr, &subkeys, &longest_subkey, nullptr, &values,
                                  &longest_name, &longest_data, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(subkeys, 1u);
  EXPECT_EQ(longest_subkey, 3u);
  EXPECT_EQ(values, 1u);
  EXPECT_EQ(longest_name, 10u);
  EXPECT_GE(longest_data, sizeof text);

  HKEY reader = nullptr;
  ASSERT_EQ(oal::RegOpenKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_READ, &reader), ERROR_SUCCESS);
  DWORD one = 1;
  EXPECT_EQ(oal::RegSetValueExA(reader, "x", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(oal::RegDeleteValueA(reader, "LongerName"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(oal::RegDeleteValueA(key_, "Missing"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(oal::RegDeleteValueA(key_, "LongerName"), ERROR_SUCCESS);
  oal::RegCloseKey(reader);
}

}  // namespace
