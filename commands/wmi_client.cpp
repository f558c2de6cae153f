#include "wmi_client.h"

#include <cstdio>
#include <string>

#include "oal/oal.h"

namespace {

void debug(const char* text) { oal::OutputDebugStringA(text); }

// The local host name; "." (this machine, to WMI) when it cannot be had.
std::wstring host_name() {
  WSADATA data;
  std::wstring host = L".";
  if (oal::WSAStartup(MAKEWORD(1, 1), &data) != 0) return host;
  char name[256] = {};
  if (oal::gethostname(name, sizeof name) == 0 && name[0]) {
    host.clear();
    for (const char* p = name; *p; ++p) host += static_cast<unsigned char>(*p);
  }
  oal::WSACleanup();
  return host;
}

// Connects the locator to the namespace; false after saying why.
bool connect_server(oal::IWbemLocator* locator, oal::IWbemServices** services) {
  std::wstring ns = L"\\\\" + host_name() + L"\\root\\CIMV2";
  BSTR path = oal::SysAllocString(ns.c_str());
  HRESULT hr = locator->ConnectServer(path, nullptr, nullptr, nullptr, 0, nullptr, nullptr, services);
  oal::SysFreeString(path);
  if (FAILED(hr)) {
    *services = nullptr;
    debug("ERROR: connect to WMI failed!\n");
    return false;
  }
  debug("Connected to WMI successfully\n");
  return true;
}

}  // namespace

std::string wmi_multibyte(const wchar_t* wide) {
  char buf[256] = {};
  if (!wide || oal::WideCharToMultiByte(CP_ACP, 0, wide, -1, buf, sizeof buf, nullptr, nullptr) == 0) {
    // Too long for the buffer: keep what fits.
    std::string s;
    for (; wide && *wide && s.size() < sizeof buf - 1; ++wide) s += *wide < 0x100 ? static_cast<char>(*wide) : '?';
    return s;
  }
  return buf;
}

std::wstring wmi_value_text(const VARIANT& v) {
  // An array is no scalar whatever its element type.
  if (v.vt & VT_ARRAY) return L"UNSUPPORTED DATA TYPE";
  switch (v.vt & VT_TYPEMASK) {
    case VT_EMPTY: return L"DATA EMPTY";
    case VT_NULL: return L"NULL DATA";
    case VT_I2: return std::to_wstring(v.iVal);
    case VT_I4: return std::to_wstring(v.lVal);
    case VT_UI1: return std::to_wstring(v.bVal);
    case VT_BSTR: return v.bstrVal ? std::wstring(v.bstrVal) : std::wstring();
    case VT_BOOL: return v.boolVal ? L"True" : L"False";
    default: return L"UNSUPPORTED DATA TYPE";
  }
}

bool WmiClient::connect() {
  if (initialized_) return true;
  // A GUI thread may already run single-threaded COM: WMI works there
  // as well, and that initialisation is not this client's to undo.
  HRESULT init = oal::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  if (FAILED(init) && init != RPC_E_CHANGED_MODE) {
    debug("ERROR: Didn't succeed CoInitializeEx\n");
    return false;
  }
  com_started_ = init != RPC_E_CHANGED_MODE;
  // Security is set once per process: when the program (or an earlier
  // client) has already set it, WMI is still usable.
  HRESULT security = oal::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_NONE,
                                               RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
  if (FAILED(security) && security != RPC_E_TOO_LATE) {
    debug("ERROR: Couldn't succeed CoInitializeSecurity\n");
    close();
    return false;
  }
  if (FAILED(oal::CoCreateWbemLocator(CLSCTX_INPROC_SERVER, &locator_)) || !connect_server(locator_, &services_)) {
    debug("ERROR: Couldn't succeed the WMI Connector\n");
    close();
    return false;
  }
  oal::CoSetProxyBlanket(services_, RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr, RPC_C_AUTHN_LEVEL_CALL,
                         RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
  results_.clear();
  initialized_ = true;
  return true;
}

const std::vector<WmiInstance>* WmiClient::query(const wchar_t* class_name, const wchar_t* property, int instance) {
  if (!initialized_ && !connect()) return nullptr;
  if (!locator_ || !services_) {
    debug("ERROR: First connect to WMI server\n");
    return nullptr;
  }
  if (!class_name || !*class_name || !property || !*property) {
    debug("ERROR: Object name and prop names cannot be empty\n");
    return nullptr;
  }
  if (instance < -1) {
    debug("ERROR: instance cannot be < 0\n");
    return nullptr;
  }
  std::string cls = wmi_multibyte(class_name), prop = wmi_multibyte(property);
  char msg[600];
  BSTR name = oal::SysAllocString(class_name);
  oal::IEnumWbemClassObject* items = nullptr;
  HRESULT hr = services_->CreateInstanceEnum(name, WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, nullptr,
                                             &items);
  oal::SysFreeString(name);
  auto missing_instance = [&]() {
    std::snprintf(msg, sizeof msg, "ERROR: instance %d of %s class doesn't exist\n", instance, cls.c_str());
    debug(msg);
    if (items) items->Release();
    return nullptr;
  };
  if (FAILED(hr) || !items) return missing_instance();
  if (instance != -1 && items->Skip(WBEM_INFINITE, static_cast<ULONG>(instance)) != WBEM_S_NO_ERROR)
    return missing_instance();
  size_t read = 0;
  for (;;) {
    oal::IWbemClassObject* object = nullptr;
    ULONG returned = 0;
    items->Next(WBEM_INFINITE, 1, &object, &returned);
    if (returned == 0 || !object) break;
    VARIANT value;
    oal::VariantInit(&value);
    hr = object->Get(property, 0, &value, nullptr, nullptr);
    object->Release();
    if (FAILED(hr)) {
      if (hr == static_cast<HRESULT>(WBEM_E_NOT_FOUND))
        std::snprintf(msg, sizeof msg, "ERROR: prop %s of %s class doesn't exist\n", prop.c_str(), cls.c_str());
      else
        std::snprintf(msg, sizeof msg, "ERROR: Problems while accessing prop %s of %s class\n", prop.c_str(),
                      cls.c_str());
      debug(msg);
      items->Release();
      return nullptr;
    }
    results_.push_back({WmiProperty{property, static_cast<unsigned>(value.vt & VT_TYPEMASK), wmi_value_text(value)}});
    oal::VariantClear(&value);
    ++read;
    if (instance != -1) break;
  }
  items->Release();
  items = nullptr;
  // An asked-for instance that is not there is missing; a class with no
  // instances at all reads as an empty list when every instance is asked for.
  if (read == 0 && instance != -1) return missing_instance();
  return &results_;
}

void WmiClient::close() {
  results_.clear();
  if (services_) services_->Release();
  if (locator_) locator_->Release();
  services_ = nullptr;
  locator_ = nullptr;
  if (com_started_) oal::CoUninitialize();
  com_started_ = false;
  initialized_ = false;
}
