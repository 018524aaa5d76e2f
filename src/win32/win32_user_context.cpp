#include "win32/win32_user_context.h"

#include "common/app_error.h"
#include "win32/text_encoding.h"
#include "win32/windows_api.h"

namespace vestrel::win32 {
namespace {

constexpr std::int32_t kErrCannotCreateObject = 429;
constexpr std::int32_t kErrObjectDoesNotSupport = 438;

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

std::string Win32UserContextSource::GetUserName() {
  CLSID classId{};
  if (FAILED(CLSIDFromProgID(L"Login.LoginDB", &classId))) {
    throw AppError(kErrCannotCreateObject, "", "ActiveX component can't create object");
  }
  IDispatch* component = nullptr;
  if (FAILED(CoCreateInstance(classId, nullptr, CLSCTX_ALL, IID_IDispatch,
                              reinterpret_cast<void**>(&component))) ||
      component == nullptr) {
    throw AppError(kErrCannotCreateObject, "", "ActiveX component can't create object");
  }
  const Releaser release(component);
  return UserNameOf(*component);
}

std::string UserNameOf(IDispatch& component) {
  wchar_t methodName[] = L"GetUserName";
  LPOLESTR names[] = {methodName};
  DISPID method = 0;
  if (FAILED(component.GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &method))) {
    throw AppError(kErrObjectDoesNotSupport, "", "Object doesn't support this property or method");
  }
  DISPPARAMS noArguments{};
  VARIANT result;
  VariantInit(&result);
  if (FAILED(component.Invoke(method, IID_NULL, LOCALE_USER_DEFAULT,
                              DISPATCH_METHOD | DISPATCH_PROPERTYGET, &noArguments, &result,
                              nullptr, nullptr)) ||
      FAILED(VariantChangeType(&result, &result, 0, VT_BSTR))) {
    VariantClear(&result);
    throw AppError(kErrObjectDoesNotSupport, "", "Object doesn't support this property or method");
  }
  std::string name = WideToUtf8(std::wstring_view(result.bstrVal, SysStringLen(result.bstrVal)));
  VariantClear(&result);
  return name;
}

}  // namespace vestrel::win32
