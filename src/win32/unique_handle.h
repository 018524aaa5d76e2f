#pragma once

#include <memory>
#include <type_traits>

#include "win32/windows_api.h"

namespace vestrel::win32 {

// Every handle the program opens is owned by one of these and released by
// it: nothing is released by hand.

template <auto Release>
struct ReleaseWith {
  template <class Handle>
  void operator()(Handle handle) const {
    Release(handle);
  }
};

// A handle released by one function of it: UniqueHandle<HBRUSH, DeleteObject>.
template <class Handle, auto Release>
using UniqueHandle = std::unique_ptr<std::remove_pointer_t<Handle>, ReleaseWith<Release>>;

template <class GdiObject>
using UniqueGdiObject = UniqueHandle<GdiObject, DeleteObject>;
using UniqueFont = UniqueGdiObject<HFONT>;
using UniqueBrush = UniqueGdiObject<HBRUSH>;
using UniqueBitmap = UniqueGdiObject<HBITMAP>;
using UniqueMemoryDc = UniqueHandle<HDC, DeleteDC>;
using UniqueModule = UniqueHandle<HMODULE, FreeLibrary>;
// A kernel handle (file, process, thread, event). Functions that fail with
// INVALID_HANDLE_VALUE go through KernelHandle, which makes that empty.
using UniqueKernelHandle = UniqueHandle<HANDLE, CloseHandle>;

inline UniqueKernelHandle KernelHandle(HANDLE handle) {
  return UniqueKernelHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

// A window's device context from GetDC, given back to its window.
struct WindowDcRelease {
  HWND Window = nullptr;
  void operator()(HDC dc) const { ReleaseDC(Window, dc); }
};
using UniqueWindowDc = std::unique_ptr<std::remove_pointer_t<HDC>, WindowDcRelease>;

inline UniqueWindowDc WindowDc(HWND window) {
  return UniqueWindowDc(GetDC(window), WindowDcRelease{window});
}

// BeginPaint to EndPaint for one WM_PAINT.
class PaintScope {
 public:
  explicit PaintScope(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
  ~PaintScope() { EndPaint(window_, &paint_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  HDC Dc() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

// An object selected into a DC for the scope's life; the one it replaced is
// selected back at the end, so the object can be deleted after it.
class SelectionScope {
 public:
  SelectionScope(HDC dc, HGDIOBJ object) : dc_(dc), replaced_(SelectObject(dc, object)) {}
  ~SelectionScope() {
    if (replaced_ != nullptr && replaced_ != HGDI_ERROR) {
      SelectObject(dc_, replaced_);
    }
  }
  SelectionScope(const SelectionScope&) = delete;
  SelectionScope& operator=(const SelectionScope&) = delete;

 private:
  HDC dc_;
  HGDIOBJ replaced_;
};

}  // namespace vestrel::win32
