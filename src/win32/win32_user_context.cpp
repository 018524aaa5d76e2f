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

template <class Function>
void Find(HMODULE module, const char* name, Function& function) {
  function =
      module != nullptr
          ? reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)))
          : nullptr;
}

const ComLibraries& Com() {
  static const ComLibraries libraries = [] {
    ComLibraries found;
    const HMODULE ole = LoadSystemLibrary(L"ole32.dll");
    const HMODULE automation = LoadSystemLibrary(L"oleaut32.dll");
    Find(ole, "CoInitialize", found.Initialize);
    Find(ole, "CoUninitialize", found.Uninitialize);
    Find(ole, "CLSIDFromProgID", found.ClassIdFromProgId);
    Find(ole, "CoCreateInstance", found.CreateInstance);
    Find(automation, "VariantInit", found.InitVariant);
    Find(automation, "VariantClear", found.ClearVariant);
    Find(automation, "VariantChangeType", found.ChangeVariantType);
    Find(automation, "SysStringLen", found.StringLength);
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

HMODULE LoadSystemLibrary(const wchar_t* name, LoadLibraryExFunction load) {
  if (const HMODULE module = load(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32); module != nullptr) {
    return module;
  }
  wchar_t folder[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    return nullptr;
  }
  const std::wstring path = std::wstring(folder, length) + L"\\" + name;
  return load(path.c_str(), nullptr, 0);
}

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
