// COM, WMI and the sockets calls of the host name: the Win32 calls
// themselves. The platform layer's WMI interfaces are its own classes, so
// each real COM object is held by a wrapper that forwards every call.
#include <winsock2.h>
#include <wbemidl.h>

#include <new>

#include "oal/wmi.h"

namespace {

// Gives CoSetProxyBlanket the real proxy behind a wrapper.
class HoldsReal {
 public:
  virtual ::IUnknown* real_object() = 0;

 protected:
  virtual ~HoldsReal() = default;
};

// Reference counting of the wrapper; the wrapper holds one reference on the
// real object and releases it with its last reference.
template <class Interface, class Real>
class Wrapper : public Interface, public HoldsReal {
 public:
  explicit Wrapper(Real* real) : real_(real) {}
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  ::IUnknown* real_object() override { return real_; }

 protected:
  ~Wrapper() override { real_->Release(); }
  Real* real_;

 private:
  ULONG refs_ = 1;
};

// Wraps `real` (whose reference passes to the wrapper) into *out.
template <class W, class Out, class Real>
HRESULT wrap(HRESULT hr, Real* real, Out** out) {
  *out = nullptr;
  if (FAILED(hr) || !real) return hr;
  W* w = new (std::nothrow) W(real);
  if (!w) {
    real->Release();
    return E_OUTOFMEMORY;
  }
  *out = w;
  return hr;
}

class ClassObject final : public Wrapper<oal::IWbemClassObject, ::IWbemClassObject> {
 public:
  using Wrapper::Wrapper;
  HRESULT Get(LPCWSTR name, LONG flags, VARIANT* value, CIMTYPE* type, LONG* flavor) override {
    return real_->Get(name, flags, value, type, flavor);
  }
};

class Enumerator final : public Wrapper<oal::IEnumWbemClassObject, ::IEnumWbemClassObject> {
 public:
  using Wrapper::Wrapper;
  HRESULT Next(LONG timeout, ULONG count, oal::IWbemClassObject** objects, ULONG* returned) override {
    if (!objects || !returned) return WBEM_E_INVALID_PARAMETER;
    *returned = 0;
    // One at a time, so each object is wrapped as it arrives.
    for (ULONG i = 0; i < count; ++i) {
      ::IWbemClassObject* real = nullptr;
      ULONG got = 0;
      HRESULT hr = real_->Next(timeout, 1, &real, &got);
      if (FAILED(hr)) return hr;
      if (got == 0) return hr == WBEM_S_NO_ERROR ? static_cast<HRESULT>(WBEM_S_FALSE) : hr;
      HRESULT wrapped = wrap<ClassObject>(hr, real, &objects[i]);
      if (FAILED(wrapped)) return wrapped;
      ++*returned;
    }
    return WBEM_S_NO_ERROR;
  }
  HRESULT Skip(LONG timeout, ULONG count) override { return real_->Skip(timeout, count); }
};

class Services final : public Wrapper<oal::IWbemServices, ::IWbemServices> {
 public:
  using Wrapper::Wrapper;
  HRESULT CreateInstanceEnum(const BSTR class_name, LONG flags, void* context,
                             oal::IEnumWbemClassObject** result) override {
    if (!result) return WBEM_E_INVALID_PARAMETER;
    ::IEnumWbemClassObject* real = nullptr;
    HRESULT hr = real_->CreateInstanceEnum(class_name, flags, static_cast<IWbemContext*>(context), &real);
    return wrap<Enumerator>(hr, real, result);
  }
};

class Locator final : public Wrapper<oal::IWbemLocator, ::IWbemLocator> {
 public:
  using Wrapper::Wrapper;
  HRESULT ConnectServer(const BSTR network_resource, const BSTR user, const BSTR password, const BSTR locale,
                        LONG security_flags, const BSTR authority, void* context,
                        oal::IWbemServices** result) override {
    if (!result) return WBEM_E_INVALID_PARAMETER;
    ::IWbemServices* real = nullptr;
    HRESULT hr = real_->ConnectServer(network_resource, user, password, locale, security_flags, authority,
                                      static_cast<IWbemContext*>(context), &real);
    return wrap<Services>(hr, real, result);
  }
};

}  // namespace

namespace oal {

HRESULT CoInitializeEx(void* reserved, DWORD model) { return ::CoInitializeEx(reserved, model); }

HRESULT CoInitializeSecurity(void* descriptor, LONG auth_services, void* services, void* reserved1,
                             DWORD authn_level, DWORD imp_level, void* auth_list, DWORD capabilities,
                             void* reserved3) {
  return ::CoInitializeSecurity(static_cast<PSECURITY_DESCRIPTOR>(descriptor), auth_services,
                                static_cast<SOLE_AUTHENTICATION_SERVICE*>(services), reserved1, authn_level,
                                imp_level, auth_list, capabilities, reserved3);
}

HRESULT CoCreateWbemLocator(DWORD context, IWbemLocator** locator) {
  if (!locator) return E_POINTER;
  ::IWbemLocator* real = nullptr;
  HRESULT hr = ::CoCreateInstance(CLSID_WbemLocator, nullptr, context, IID_IWbemLocator,
                                  reinterpret_cast<void**>(&real));
  return wrap<Locator>(hr, real, locator);
}

HRESULT CoSetProxyBlanket(IUnknown* proxy, DWORD authn_service, DWORD authz_service, LPWSTR server_principal,
                          DWORD authn_level, DWORD imp_level, void* auth_info, DWORD capabilities) {
  auto* holder = dynamic_cast<HoldsReal*>(proxy);
  if (!holder) return E_INVALIDARG;
  return ::CoSetProxyBlanket(holder->real_object(), authn_service, authz_service, server_principal, authn_level,
                             imp_level, static_cast<RPC_AUTH_IDENTITY_HANDLE>(auth_info), capabilities);
}

void CoUninitialize() { ::CoUninitialize(); }

BSTR SysAllocString(LPCWSTR text) { return ::SysAllocString(text); }
void SysFreeString(BSTR text) { ::SysFreeString(text); }
void VariantInit(VARIANT* value) { ::VariantInit(value); }
HRESULT VariantClear(VARIANT* value) { return ::VariantClear(value); }
int WideCharToMultiByte(UINT code_page, DWORD flags, LPCWSTR wide, int wide_length, LPSTR multi, int multi_size,
                        LPCSTR default_char, LPBOOL used_default) {
  return ::WideCharToMultiByte(code_page, flags, wide, wide_length, multi, multi_size, default_char, used_default);
}

int WSAStartup(WORD version, LPWSADATA data) { return ::WSAStartup(version, data); }
int WSACleanup() { return ::WSACleanup(); }
int gethostname(char* name, int size) { return ::gethostname(name, size); }
int WSAGetLastError() { return ::WSAGetLastError(); }

}  // namespace oal
