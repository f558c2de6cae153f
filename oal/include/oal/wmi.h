// COM and WMI, reduced to what reading class instances needs, and the
// sockets calls that give the local host name. The interfaces carry the
// methods and results of their COM namesakes (IWbemLocator, IWbemServices,
// IEnumWbemClassObject, IWbemClassObject) in the same order, so a Windows
// backend wraps the real objects one call to one call.
#pragma once
#include "oal/win_types.h"

#if defined(_WIN32)
// The COM, WMI and sockets declarations that <windows.h> leaves out.
#include <winsock2.h>
#include <wbemidl.h>
#else
typedef LONG CIMTYPE;

enum VARENUM_ {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_BSTR = 8,
  VT_BOOL = 11,
  VT_UI1 = 17,
  VT_UI4 = 19,
  VT_ARRAY = 0x2000,
  VT_TYPEMASK = 0xFFF,
};
#define VARIANT_TRUE ((VARIANT_BOOL)-1)
#define VARIANT_FALSE ((VARIANT_BOOL)0)

typedef struct tagVARIANT {
  VARTYPE vt;
  WORD wReserved1;
  WORD wReserved2;
  WORD wReserved3;
  union {
    LONG lVal;
    BYTE bVal;
    short iVal;
    float fltVal;
    double dblVal;
    VARIANT_BOOL boolVal;
    BSTR bstrVal;
    void* parray;
  };
} VARIANT;

#define COINIT_MULTITHREADED 0x0
#define COINIT_APARTMENTTHREADED 0x2
#define CLSCTX_INPROC_SERVER 0x1
#define RPC_C_AUTHN_LEVEL_DEFAULT 0
#define RPC_C_AUTHN_LEVEL_NONE 1
#define RPC_C_AUTHN_LEVEL_CALL 3
#define RPC_C_IMP_LEVEL_IMPERSONATE 3
#define RPC_C_AUTHN_WINNT 10
#define RPC_C_AUTHZ_NONE 0
#define EOAC_NONE 0

#define WBEM_FLAG_RETURN_IMMEDIATELY 0x10
#define WBEM_FLAG_FORWARD_ONLY 0x20
#define WBEM_INFINITE ((LONG)0xFFFFFFFF)
#define WBEM_S_NO_ERROR ((HRESULT)0)
#define WBEM_S_FALSE ((HRESULT)1)
#define WBEM_E_FAILED ((HRESULT)0x80041001u)
#define WBEM_E_NOT_FOUND ((HRESULT)0x80041002u)
#define WBEM_E_INVALID_CLASS ((HRESULT)0x80041010u)
#define WBEM_E_INVALID_NAMESPACE ((HRESULT)0x8004100Eu)
#define RPC_E_SERVER_UNAVAILABLE ((HRESULT)0x800706BAu)
#define CO_E_NOTINITIALIZED ((HRESULT)0x800401F0u)
#define RPC_E_CHANGED_MODE ((HRESULT)0x80010106u)

typedef struct WSAData {
  WORD wVersion;
  WORD wHighVersion;
  char szDescription[257];
  char szSystemStatus[129];
  unsigned short iMaxSockets;
  unsigned short iMaxUdpDg;
  char* lpVendorInfo;
} WSADATA, *LPWSADATA;
#define MAKEWORD(a, b) ((WORD)(((BYTE)(a)) | (((WORD)((BYTE)(b))) << 8)))
#define WSANOTINITIALISED 10093
#define WSAEFAULT 10014
#define SOCKET_ERROR (-1)
#endif

namespace oal {

class IUnknown {
 public:
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  virtual ~IUnknown() = default;
};

class IWbemClassObject : public IUnknown {
 public:
  // `value` receives a variant the caller frees with VariantClear.
  virtual HRESULT Get(LPCWSTR name, LONG flags, VARIANT* value, CIMTYPE* type, LONG* flavor) = 0;
};

class IEnumWbemClassObject : public IUnknown {
 public:
  virtual HRESULT Next(LONG timeout, ULONG count, IWbemClassObject** objects, ULONG* returned) = 0;
  // WBEM_S_FALSE when fewer than `count` objects were left.
  virtual HRESULT Skip(LONG timeout, ULONG count) = 0;
};

class IWbemServices : public IUnknown {
 public:
  virtual HRESULT CreateInstanceEnum(const BSTR class_name, LONG flags, void* context,
                                     IEnumWbemClassObject** result) = 0;
};

class IWbemLocator : public IUnknown {
 public:
  virtual HRESULT ConnectServer(const BSTR network_resource, const BSTR user, const BSTR password,
                                const BSTR locale, LONG security_flags, const BSTR authority,
                                void* context, IWbemServices** result) = 0;
};

HRESULT CoInitializeEx(void* reserved, DWORD model);
HRESULT CoInitializeSecurity(void* descriptor, LONG auth_services, void* services, void* reserved1,
                             DWORD authn_level, DWORD imp_level, void* auth_list, DWORD capabilities,
                             void* reserved3);
// CoCreateInstance of CLSID_WbemLocator for IID_IWbemLocator.
HRESULT CoCreateWbemLocator(DWORD context, IWbemLocator** locator);
HRESULT CoSetProxyBlanket(IUnknown* proxy, DWORD authn_service, DWORD authz_service,
                          LPWSTR server_principal, DWORD authn_level, DWORD imp_level, void* auth_info,
                          DWORD capabilities);
void CoUninitialize();

BSTR SysAllocString(LPCWSTR text);
void SysFreeString(BSTR text);
void VariantInit(VARIANT* value);
HRESULT VariantClear(VARIANT* value);
int WideCharToMultiByte(UINT code_page, DWORD flags, LPCWSTR wide, int wide_length, LPSTR multi,
                        int multi_size, LPCSTR default_char, LPBOOL used_default);

// Sockets: the host name needs the library started first.
int WSAStartup(WORD version, LPWSADATA data);
int WSACleanup();
int gethostname(char* name, int size);
int WSAGetLastError();

}  // namespace oal
