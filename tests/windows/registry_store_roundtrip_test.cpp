// The registry exports and commands against the platform's own registry:
// the real one on Windows (wine64 here), the simulated one elsewhere. The
// test points the device map at a video key of its own and puts everything
// back afterwards.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "commands/handlers.h"
#include "lumainfo.h"
#include "oal/oal.h"

namespace {

const char kDeviceMap[] = "HARDWARE\\DEVICEMAP\\VIDEO";
const char kVideo0[] = "\\Device\\Video0";
const char kTestRoot[] = "SYSTEM\\LumaStoreTest";
const char kVideoKey[] = "SYSTEM\\LumaStoreTest\\0000";
const char kDirectXKey[] = "SOFTWARE\\Microsoft\\DirectX";

// A text value saved at the start and put back at the end (or removed
// when there was none).
class SavedValue {
 public:
  SavedValue(const char* key, const char* name) : key_(key), name_(name) {
    HKEY k = nullptr;
    if (oal::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return;
    char text[512] = {};
    DWORD size = sizeof text - 1, type = 0;
    had_ = oal::RegQueryValueExA(k, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) == ERROR_SUCCESS;
    if (had_) value_.assign(text, size);
    type_ = type;
    oal::RegCloseKey(k);
  }
  ~SavedValue() {
    HKEY k = nullptr;
    if (oal::RegCreateKeyExA(HKEY_LOCAL_MACHINE, key_, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) !=
        ERROR_SUCCESS)
      return;
    if (had_)
      oal::RegSetValueExA(k, name_, 0, type_, reinterpret_cast<const BYTE*>(value_.data()),
                          static_cast<DWORD>(value_.size()));
    else
      oal::RegDeleteValueA(k, name_);
    oal::RegCloseKey(k);
  }

 private:
  const char* key_;
  const char* name_;
  bool had_ = false;
  DWORD type_ = REG_SZ;
  std::string value_;
};

void set_text(const char* key, const char* name, const std::string& text) {
  HKEY k = nullptr;
  ASSERT_EQ(oal::RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(oal::RegSetValueExA(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                static_cast<DWORD>(text.size() + 1)),
            ERROR_SUCCESS);
  oal::RegCloseKey(k);
}

bool key_exists(const std::string& path) {
  HKEY k = nullptr;
  if (oal::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
  oal::RegCloseKey(k);
  return true;
}

class StoreRoundTrip : public ::testing::Test {
 protected:
  void SetUp() override {
    oal::SHDeleteKeyA(HKEY_LOCAL_MACHINE, kTestRoot);
    set_text(kDeviceMap, kVideo0, std::string("\\Registry\\Machine\\") + kVideoKey);
    set_text((std::string(kVideoKey) + "\\All\\2\\General").c_str(), "Name", "Two");
    ASSERT_EQ(opal_set_config_id(2), EXIT_OK);
    ASSERT_EQ(opal_open(0), EXIT_OK);
  }
  void TearDown() override {
    opal_close();
    oal::SHDeleteKeyA(HKEY_LOCAL_MACHINE, kTestRoot);
  }
  SavedValue device_map_{kDeviceMap, kVideo0};
};

struct Param {
  uint32_t config, port;
  const char* subkey;
  const char* name;
  const char* value;
  const char* read_back;
  uint32_t type;
};

TEST_F(StoreRoundTrip, ValuesSurviveASecondSession) {
  const Param params[] = {
      {0, 0, nullptr, "Name", "Default two", "Default two", REG_SZ},
      {2, 5, "General", "portorder", "54000", "54000", REG_SZ},
      {2, 5, "General", "Edid", "0x20", "32", REG_DWORD},
      {3, 4, "Dtd\\1", "Limit", "4294967295", "-1", REG_DWORD},
  };
  for (const auto& p : params) ASSERT_EQ(opal_set_reg_value(p.config, p.port, p.subkey, p.name, p.value), EXIT_OK);
  opal_close();
  ASSERT_EQ(opal_open(0), EXIT_OK);
  for (const auto& p : params) {
    char value[OPAL_REG_VALUE_SIZE] = {};
    uint32_t type = 0;
    ASSERT_EQ(opal_get_reg_value(p.config, p.port, p.subkey, p.name, value, &type), EXIT_OK) << p.name;
    EXPECT_STREQ(value, p.read_back);
    EXPECT_EQ(type, p.type) << p.name;
  }
  // The command shows the number as it was written.
  cmd_args_t args{};
  args.count = 5;
  const char* words[] = {"get_reg_value", "2", "5", "General", "Edid"};
  for (int i = 0; i < 5; ++i) std::strcpy(args.slot[i], words[i]);
  ASSERT_EQ(cmd_get_reg_value(&args), EXIT_OK);
  ASSERT_EQ(args.count, 2);
  EXPECT_STREQ(args.slot[0], "Value                                           : 0x20");
  EXPECT_STREQ(args.slot[1], "Type                                            : DWORD");
}

TEST_F(StoreRoundTrip, ConfigIdDeletesAndReadsThatCreateNothing) {
  uint32_t id = 0;
  ASSERT_EQ(opal_get_config_id(&id), EXIT_OK);
  EXPECT_EQ(id, 2u);
  ASSERT_EQ(opal_set_config_id(9), EXIT_OK);
  opal_close();
  ASSERT_EQ(opal_open(0), EXIT_OK);
  ASSERT_EQ(opal_get_config_id(&id), EXIT_OK);
  EXPECT_EQ(id, 9u);

  char value[OPAL_REG_VALUE_SIZE];
  uint32_t type = 0;
  EXPECT_EQ(opal_get_reg_value(99, 0, nullptr, "Name", value, &type), EXIT_REGISTRY_ERROR);
  EXPECT_FALSE(key_exists(std::string(kVideoKey) + "\\All\\99"));
  EXPECT_EQ(opal_del_reg("", nullptr), EXIT_INVALID_PARAM_ERROR);
  EXPECT_TRUE(key_exists(kVideoKey));
  EXPECT_EQ(opal_del_reg("All\\2\\General", "Name"), EXIT_OK);
  EXPECT_EQ(opal_del_reg("All\\2\\General", "Name"), EXIT_REGISTRY_ERROR);
  EXPECT_EQ(opal_del_reg("All\\2", nullptr), EXIT_OK);
  EXPECT_FALSE(key_exists(std::string(kVideoKey) + "\\All\\2"));
  EXPECT_TRUE(key_exists(std::string(kVideoKey) + "\\All"));
}

TEST(DirectXOnThisPlatform, TheCarriedLibraryReadsTheInstalledVersion) {
  SavedValue saved(kDirectXKey, "Version");
  set_text(kDirectXKey, "Version", "4.09.00.0902");
  cmd_args_t args{};
  args.count = 1;
  std::strcpy(args.slot[0], "get_directx_version");
  ASSERT_EQ(cmd_get_directx_version(&args), EXIT_OK);
  ASSERT_EQ(args.count, 1);
  EXPECT_STREQ(args.slot[0], "DirectX Version                                 : 9b");
  set_text(kDirectXKey, "Version", "4.09.00.0999");
  ASSERT_EQ(cmd_get_directx_version(&args), EXIT_OK);
  EXPECT_STREQ(args.slot[0], "DirectX Version                                 : Unknown");
}

}  // namespace
