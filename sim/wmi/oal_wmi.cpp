// COM, the WMI service and the host name of the simulated machine.
//
// Class instances come from the profile: a section "[wmi <Class>]" is the
// class's first instance, "[wmi <Class> <n>]" its instance n. Each line
// "Property = value" is one property:
//   text        a string (VT_BSTR)      bool:true   VT_BOOL
//   i4:5  i2:5  ui1:5   integers         null: / empty:   VT_NULL / VT_EMPTY
//   r8:1.5      VT_R8                    array:1,2   a VT_ARRAY of VT_I4
// Every class named Win32_* exists (with the instances the profile gives);
// other names are invalid classes.
//
// Faults ([faults]): wmi_com_init (CoInitializeEx fails), wmi_security
// (CoInitializeSecurity fails), wmi_connect (no WMI service), wmi_get =
// Class.Property;... (reading that property fails).
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <map>
#include <string>
#include <vector>

#include "handles.h"
#include "oal/wmi.h"

namespace {

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string narrow(LPCWSTR w) {
  std::string s;
  for (; w && *w; ++w) s += *w < 0x80 ? static_cast<char>(*w) : '?';
  return s;
}

std::wstring widen(const std::string& s) {
  std::wstring w;
  for (unsigned char c : s) w += static_cast<wchar_t>(c);
  return w;
}

// A value from the profile; false when it is not one of the forms above.
bool parse_property(const std::string& text, VARIANT& v, std::string& error) {
  oal::VariantInit(&v);
  auto rest = [&](size_t n) { return text.substr(n); };
  auto integer = [&](const std::string& t, long& out) {
    char* end = nullptr;
    out = std::strtol(t.c_str(), &end, 0);
    return !t.empty() && *end == '\0';
  };
  long n = 0;
  if (text.rfind("bool:", 0) == 0) {
    std::string b = lower(rest(5));
    if (b != "true" && b != "false") return error = "bool: takes true or false", false;
    v.vt = VT_BOOL;
    v.boolVal = b == "true" ? VARIANT_TRUE : VARIANT_FALSE;
  } else if (text.rfind("i4:", 0) == 0) {
    if (!integer(rest(3), n)) return error = "i4: takes a number", false;
    v.vt = VT_I4;
    v.lVal = static_cast<LONG>(n);
  } else if (text.rfind("i2:", 0) == 0) {
    if (!integer(rest(3), n) || n < -32768 || n > 32767) return error = "i2: takes a 16-bit number", false;
    v.vt = VT_I2;
    v.iVal = static_cast<short>(n);
  } else if (text.rfind("ui1:", 0) == 0) {
    if (!integer(rest(4), n) || n < 0 || n > 255) return error = "ui1: takes a number from 0 to 255", false;
    v.vt = VT_UI1;
    v.bVal = static_cast<BYTE>(n);
  } else if (text == "null:") {
    v.vt = VT_NULL;
  } else if (text == "empty:") {
    v.vt = VT_EMPTY;
  } else if (text.rfind("r8:", 0) == 0) {
    char* end = nullptr;
    std::string t = rest(3);
    v.dblVal = std::strtod(t.c_str(), &end);
    if (t.empty() || *end) return error = "r8: takes a number", false;
    v.vt = VT_R8;
  } else if (text.rfind("array:", 0) == 0) {
    v.vt = VT_ARRAY | VT_I4;
    v.parray = nullptr;  // the simulated service never hands out its elements
  } else {
    v.vt = VT_BSTR;
    v.bstrVal = oal::SysAllocString(widen(text).c_str());
  }
  return true;
}

// "wmi Class" or "wmi Class n": the class and the instance number.
bool section_instance(const std::string& section, std::string& cls, long& index) {
  std::string rest = section.substr(4);
  size_t space = rest.find(' ');
  cls = rest.substr(0, space);
  index = 0;
  if (space == std::string::npos) return !cls.empty();
  char* end = nullptr;
  std::string num = rest.substr(space + 1);
  index = std::strtol(num.c_str(), &end, 10);
  return !cls.empty() && !num.empty() && *end == '\0' && index >= 0;
}

bool check_profile(const sim::Profile& p, std::string& error) {
  for (const auto& section : p.sections_named("wmi")) {
    std::string cls;
    long index = 0;
    if (!section_instance(section, cls, index)) {
      error = "[" + section + "] must read [wmi <Class>] or [wmi <Class> <instance number>]";
      return false;
    }
    for (const auto& [name, text] : *p.section(section)) {
      VARIANT v;
      std::string why;
      if (!parse_property(text, v, why)) {
        error = "[" + section + "] " + name + ": " + why;
        return false;
      }
      oal::VariantClear(&v);
    }
  }
  return true;
}

const bool kChecked = (sim::register_profile_check("wmi", check_profile), true);

// Process-wide COM and sockets state.
struct ComState {
  int inits = 0;
  DWORD model = COINIT_MULTITHREADED;  // of the first initialisation
  bool security = false;
  int wsa_starts = 0;
  int wsa_error = 0;
};
ComState& com() {
  static ComState state;
  return state;
}

template <class Interface>
class Counted : public Interface {
 public:
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

 private:
  ULONG refs_ = 1;
};

class ClassObject : public Counted<oal::IWbemClassObject> {
 public:
  ClassObject(std::string cls, const sim::Profile::Section& props) : cls_(std::move(cls)), props_(props) {}
  HRESULT Get(LPCWSTR name, LONG, VARIANT* value, CIMTYPE* type, LONG* flavor) override {
    if (!name || !value) return E_INVALIDARG;
    std::string prop = narrow(name);
    auto& m = sim::Machine::get();
    if (m.has_fault("wmi_get")) {
      std::string list = ";" + lower(m.fault_value("wmi_get")) + ";";
      if (list.find(";" + lower(cls_ + "." + prop) + ";") != std::string::npos) return WBEM_E_FAILED;
    }
    for (const auto& [key, text] : props_) {
      if (lower(key) != lower(prop)) continue;
      std::string error;
      if (!parse_property(text, *value, error)) return WBEM_E_FAILED;
      if (type) *type = 0;
      if (flavor) *flavor = 0;
      return WBEM_S_NO_ERROR;
    }
    return WBEM_E_NOT_FOUND;
  }

 private:
  std::string cls_;
  sim::Profile::Section props_;
};

class Enumerator : public Counted<oal::IEnumWbemClassObject> {
 public:
  Enumerator(std::string cls, std::vector<sim::Profile::Section> instances)
      : cls_(std::move(cls)), instances_(std::move(instances)) {}
  HRESULT Next(LONG, ULONG count, oal::IWbemClassObject** objects, ULONG* returned) override {
    if (!objects || !returned) return E_INVALIDARG;
    *returned = 0;
    while (*returned < count && next_ < instances_.size())
      objects[(*returned)++] = new ClassObject(cls_, instances_[next_++]);
    return *returned == count ? WBEM_S_NO_ERROR : WBEM_S_FALSE;
  }
  HRESULT Skip(LONG, ULONG count) override {
    size_t left = instances_.size() - next_;
    next_ += count < left ? count : left;
    return count <= left ? WBEM_S_NO_ERROR : WBEM_S_FALSE;
  }

 private:
  std::string cls_;
  std::vector<sim::Profile::Section> instances_;
  size_t next_ = 0;
};

class Services : public Counted<oal::IWbemServices> {
 public:
  HRESULT CreateInstanceEnum(const BSTR class_name, LONG, void*, oal::IEnumWbemClassObject** result) override {
    if (!result) return E_INVALIDARG;
    *result = nullptr;
    std::string cls = narrow(class_name);
    if (lower(cls).rfind("win32_", 0) != 0 || cls.size() == 6) return WBEM_E_INVALID_CLASS;
    const sim::Profile& p = sim::Machine::get().profile();
    std::map<long, sim::Profile::Section> found;
    for (const auto& section : p.sections_named("wmi")) {
      std::string name;
      long index = 0;
      if (section_instance(section, name, index) && lower(name) == lower(cls)) found[index] = *p.section(section);
    }
    std::vector<sim::Profile::Section> instances;
    for (auto& [index, props] : found) instances.push_back(props);
    *result = new Enumerator(cls, std::move(instances));
    return WBEM_S_NO_ERROR;
  }
};

class Locator : public Counted<oal::IWbemLocator> {
 public:
  HRESULT ConnectServer(const BSTR resource, const BSTR, const BSTR, const BSTR, LONG, const BSTR, void*,
                        oal::IWbemServices** result) override {
    if (!result) return E_INVALIDARG;
    *result = nullptr;
    auto& m = sim::Machine::get();
    if (m.has_fault("wmi_connect")) return RPC_E_SERVER_UNAVAILABLE;
    // "\\host\root\cimv2": the local machine by its name, "." or localhost.
    std::string path = lower(narrow(resource));
    if (path.rfind("\\\\", 0) != 0) return WBEM_E_INVALID_NAMESPACE;
    size_t slash = path.find('\\', 2);
    if (slash == std::string::npos) return WBEM_E_INVALID_NAMESPACE;
    std::string host = path.substr(2, slash - 2);
    std::string self = lower(m.profile().get("machine", "computer_name", "LUMA-DOV"));
    if (host != "." && host != "localhost" && host != self) return RPC_E_SERVER_UNAVAILABLE;
    if (path.substr(slash) != "\\root\\cimv2") return WBEM_E_INVALID_NAMESPACE;
    *result = new Services();
    return WBEM_S_NO_ERROR;
  }
};

}  // namespace

namespace oal {

HRESULT CoInitializeEx(void*, DWORD model) {
  (void)kChecked;
  if (sim::Machine::get().fault() || sim::Machine::get().has_fault("wmi_com_init")) return E_FAIL;
  // One thread, one threading model: asking for another one changes nothing.
  if (com().inits > 0 && model != com().model) return RPC_E_CHANGED_MODE;
  if (com().inits == 0) com().model = model;
  return com().inits++ == 0 ? S_OK : S_FALSE;
}

HRESULT CoInitializeSecurity(void*, LONG, void*, void*, DWORD, DWORD, void*, DWORD, void*) {
  if (com().inits == 0) return CO_E_NOTINITIALIZED;
  if (sim::Machine::get().has_fault("wmi_security")) return E_FAIL;
  if (com().security) return RPC_E_TOO_LATE;
  com().security = true;
  return S_OK;
}

HRESULT CoCreateWbemLocator(DWORD, IWbemLocator** locator) {
  if (!locator) return E_POINTER;
  *locator = nullptr;
  if (com().inits == 0) return CO_E_NOTINITIALIZED;
  *locator = new Locator();
  return S_OK;
}

HRESULT CoSetProxyBlanket(IUnknown* proxy, DWORD, DWORD, LPWSTR, DWORD, DWORD, void*, DWORD) {
  return proxy ? S_OK : E_INVALIDARG;
}

void CoUninitialize() {
  if (com().inits > 0 && --com().inits == 0) com().security = false;
}

BSTR SysAllocString(LPCWSTR text) {
  if (!text) return nullptr;
  size_t n = std::wcslen(text) + 1;
  auto* copy = static_cast<BSTR>(std::malloc(n * sizeof(WCHAR)));
  if (copy) std::wmemcpy(copy, text, n);
  return copy;
}

void SysFreeString(BSTR text) { std::free(text); }

void VariantInit(VARIANT* value) {
  if (!value) return;
  std::memset(value, 0, sizeof *value);
  value->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANT* value) {
  if (!value) return E_INVALIDARG;
  if (value->vt == VT_BSTR) SysFreeString(value->bstrVal);
  VariantInit(value);
  return S_OK;
}

int WideCharToMultiByte(UINT, DWORD, LPCWSTR wide, int wide_length, LPSTR multi, int multi_size, LPCSTR,
                        LPBOOL used_default) {
  if (!wide) {
    sim::set_last_error(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t n = wide_length < 0 ? std::wcslen(wide) + 1 : static_cast<size_t>(wide_length);
  if (used_default) *used_default = FALSE;
  if (multi_size == 0) return static_cast<int>(n);  // the size needed
  if (!multi || static_cast<size_t>(multi_size) < n) {
    sim::set_last_error(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  // The machine's code page is Latin-1; other characters become '?'.
  for (size_t i = 0; i < n; ++i) {
    bool fits = wide[i] >= 0 && wide[i] < 0x100;
    if (!fits && used_default) *used_default = TRUE;
    multi[i] = fits ? static_cast<char>(wide[i]) : '?';
  }
  return static_cast<int>(n);
}

int WSAStartup(WORD version, LPWSADATA data) {
  if (!data) return WSAEFAULT;
  std::memset(data, 0, sizeof *data);
  data->wVersion = version;
  data->wHighVersion = MAKEWORD(2, 2);
  std::strcpy(data->szDescription, "WinSock 2.0");
  std::strcpy(data->szSystemStatus, "Running");
  ++com().wsa_starts;
  return 0;
}

int WSACleanup() {
  if (com().wsa_starts == 0) {
    com().wsa_error = WSANOTINITIALISED;
    return SOCKET_ERROR;
  }
  --com().wsa_starts;
  return 0;
}

int gethostname(char* name, int size) {
  if (com().wsa_starts == 0) {
    com().wsa_error = WSANOTINITIALISED;
    return SOCKET_ERROR;
  }
  std::string host = sim::Machine::get().profile().get("machine", "computer_name", "LUMA-DOV");
  if (!name || size <= 0 || host.size() + 1 > static_cast<size_t>(size)) {
    com().wsa_error = WSAEFAULT;
    return SOCKET_ERROR;
  }
  std::memcpy(name, host.c_str(), host.size() + 1);
  return 0;
}

int WSAGetLastError() { return com().wsa_error; }

}  // namespace oal
