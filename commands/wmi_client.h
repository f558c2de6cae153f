// A small WMI client: connects to the local root\CIMV2 namespace and reads
// one property of a class's instances into a list of text records. Its
// messages go to the debugger output only.
#pragma once
#include <string>
#include <vector>

#include "oal/wmi.h"

struct WmiProperty {
  std::wstring name;
  unsigned type = 0;  // the variant type masked with 0xFFF
  std::wstring value;
};

// One enumerated instance: its property records.
using WmiInstance = std::vector<WmiProperty>;

class WmiClient {
 public:
  WmiClient() = default;
  WmiClient(const WmiClient&) = delete;
  WmiClient& operator=(const WmiClient&) = delete;
  ~WmiClient() { close(); }

  bool connect();
  // `instance` -1 reads every instance. Returns the result list with the
  // new entries appended, or null.
  const std::vector<WmiInstance>* query(const wchar_t* class_name, const wchar_t* property, int instance);
  void clear() { results_.clear(); }
  void close();

 private:
  bool initialized_ = false;
  bool com_started_ = false;
  oal::IWbemLocator* locator_ = nullptr;
  oal::IWbemServices* services_ = nullptr;
  std::vector<WmiInstance> results_;
};

// A wide text in the system's multibyte code page, at most 255 characters.
std::string wmi_multibyte(const wchar_t* wide);

// The value text of a property as the report shows it.
std::wstring wmi_value_text(const VARIANT& value);
