#include "win32/win32_user_context.h"

#include <string>

#include "common/app_error.h"
#include "win32/text_encoding.h"
#include "win32/windows_api.h"

namespace vestrel::win32 {
namespace {

// The COM and OLE automation functions used here, from their libraries,
// loaded the first time they are needed.
struct ComLibraries {
  HRESULT(WINAPI* Initialize)(LPVOID) = nullptr;
  void(WINAPI* Uninitialize)() = nullptr;
  HRESULT(WINAPI* ClassIdFromProgId)(LPCOLESTR, LPCLSID) = nullptr;
  HRESULT(WINAPI* CreateInstance)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*) = nullptr;
  void(WINAPI* InitVariant)(VARIANTARG*) = nullptr;
  HRESULT(WINAPI* ClearVariant)(VARIANTARG*) = nullptr;
  HRESULT(WINAPI* ChangeVariantType)(VARIANTARG*, const VARIANTARG*, USHORT, VARTYPE) = nullptr;
  UINT(WINAPI* StringLength)(BSTR) = nullptr;

  bool Complete() const {
    return Initialize != nullptr && Uninitialize != nullptr && ClassIdFromProgId != nullptr &&
           CreateInstance != nullptr && InitVariant != nullptr && ClearVariant != nullptr &&
           ChangeVariantType != nullptr && StringLength != nullptr;
  }
};

const ComLibraries& Com() {
  static const ComLibraries libraries = [] {
    ComLibraries found;
    const HMODULE ole = LoadSystemLibrary(L"ole32.dll");
    const HMODULE automation = LoadSystemLibrary(L"oleaut32.dll");
    FindFunction(ole, "CoInitialize", found.Initialize);
    FindFunction(ole, "CoUninitialize", found.Uninitialize);
    FindFunction(ole, "CLSIDFromProgID", found.ClassIdFromProgId);
    FindFunction(ole, "CoCreateInstance", found.CreateInstance);
    FindFunction(automation, "VariantInit", found.InitVariant);
    FindFunction(automation, "VariantClear", found.ClearVariant);
    FindFunction(automation, "VariantChangeType", found.ChangeVariantType);
    FindFunction(automation, "SysStringLen", found.StringLength);
    return found;
  }();
  return libraries;
}

[[noreturn]] void CannotCreateObject() { Raise(errors::CannotCreateObject, ""); }

class Releaser {
 public:
  explicit Releaser(IUnknown* object) : object_(object) {}
  ~Releaser() { object_->Release(); }
  Releaser(const Releaser&) = delete;
  Releaser& operator=(const Releaser&) = delete;

 private:
  IUnknown* object_;
};

}  // namespace

Win32UserContextSource::~Win32UserContextSource() {
  if (comInitialized_) {
    Com().Uninitialize();
  }
}

std::string Win32UserContextSource::GetUserName() {
  const ComLibraries& com = Com();
  if (!com.Complete()) {
    CannotCreateObject();
  }
  if (!comStarted_) {
    comStarted_ = true;
    comInitialized_ = SUCCEEDED(com.Initialize(nullptr));
  }
  CLSID classId{};
  if (FAILED(com.ClassIdFromProgId(L"Login.LoginDB", &classId))) {
    CannotCreateObject();
  }
  IDispatch* component = nullptr;
  if (FAILED(com.CreateInstance(classId, nullptr, CLSCTX_ALL, IID_IDispatch,
                                reinterpret_cast<void**>(&component))) ||
      component == nullptr) {
    CannotCreateObject();
  }
  const Releaser release(component);
  return UserNameOf(*component);
}

std::string UserNameOf(IDispatch& component) {
  const ComLibraries& com = Com();
  if (!com.Complete()) {
    CannotCreateObject();
  }
  wchar_t methodName[] = L"GetUserName";
  LPOLESTR names[] = {methodName};
  DISPID method = 0;
  if (FAILED(component.GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &method))) {
    Raise(errors::NoSuchProperty, "");
  }
  DISPPARAMS noArguments{};
  VARIANT result;
  com.InitVariant(&result);
  if (FAILED(component.Invoke(method, IID_NULL, LOCALE_USER_DEFAULT,
                              DISPATCH_METHOD | DISPATCH_PROPERTYGET, &noArguments, &result,
                              nullptr, nullptr)) ||
      FAILED(com.ChangeVariantType(&result, &result, 0, VT_BSTR))) {
    com.ClearVariant(&result);
    Raise(errors::NoSuchProperty, "");
  }
  std::string name =
      WideToUtf8(std::wstring_view(result.bstrVal, com.StringLength(result.bstrVal)));
  com.ClearVariant(&result);
  return name;
}

}  // namespace vestrel::win32
