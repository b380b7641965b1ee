#include "app/win32/dpi.h"

namespace qv::app::win32 {
namespace {

// Windows 10 and later; looked up, so that the program still starts on Windows 7.
template <class Function>
Function User32Function(const char* name) {
  const HMODULE hUser32 = GetModuleHandleW(L"user32.dll");
  return hUser32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(hUser32, name))) : nullptr;
}

int SystemDpi() {
  const HDC hdc = GetDC(nullptr);
  const int dpi = hdc ? GetDeviceCaps(hdc, LOGPIXELSY) : USER_DEFAULT_SCREEN_DPI;
  if (hdc) ReleaseDC(nullptr, hdc);
  return dpi;
}

}  // namespace

int WindowDpi(HWND hWnd) {
  using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
  const int dpi = getDpiForWindow && hWnd ? static_cast<int>(getDpiForWindow(hWnd)) : 0;
  return dpi > 0 ? dpi : SystemDpi();
}

int ScaledFor(HWND hWnd, int pixels) { return MulDiv(pixels, WindowDpi(hWnd), USER_DEFAULT_SCREEN_DPI); }

HFONT MakeMessageFont(int dpi) {
  using ParametersForDpiFunction = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
  static const auto parametersForDpi = User32Function<ParametersForDpiFunction>("SystemParametersInfoForDpi");
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  if (parametersForDpi != nullptr &&
      parametersForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, static_cast<UINT>(dpi))) {
    return CreateFontIndirectW(&metrics.lfMessageFont);
  }
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) return nullptr;
  // The system's metrics are for its own resolution.
  metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, dpi, SystemDpi());
  return CreateFontIndirectW(&metrics.lfMessageFont);
}

HBITMAP LoadBitmapAtDpi(int nId, int dpi) {
  const auto hDrawn = static_cast<HBITMAP>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(nId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  BITMAP drawn{};
  if (hDrawn == nullptr || GetObjectW(hDrawn, sizeof(drawn), &drawn) == 0 || dpi == USER_DEFAULT_SCREEN_DPI) {
    return hDrawn;
  }
  const int width = MulDiv(drawn.bmWidth, dpi, USER_DEFAULT_SCREEN_DPI);
  const int height = MulDiv(drawn.bmHeight, dpi, USER_DEFAULT_SCREEN_DPI);
  const HDC hScreen = GetDC(nullptr);
  const HDC hFrom = CreateCompatibleDC(hScreen);
  const HDC hTo = CreateCompatibleDC(hScreen);
  HBITMAP hScaled = CreateCompatibleBitmap(hScreen, width, height);
  if (hFrom != nullptr && hTo != nullptr && hScaled != nullptr) {
    const HGDIOBJ hOldFrom = SelectObject(hFrom, hDrawn);
    const HGDIOBJ hOldTo = SelectObject(hTo, hScaled);
    SetStretchBltMode(hTo, COLORONCOLOR);
    StretchBlt(hTo, 0, 0, width, height, hFrom, 0, 0, drawn.bmWidth, drawn.bmHeight, SRCCOPY);
    SelectObject(hFrom, hOldFrom);
    SelectObject(hTo, hOldTo);
  }
  if (hTo != nullptr) DeleteDC(hTo);
  if (hFrom != nullptr) DeleteDC(hFrom);
  ReleaseDC(nullptr, hScreen);
  if (hScaled == nullptr) return hDrawn;
  DeleteObject(hDrawn);
  return hScaled;
}

HIMAGELIST MakeImageListAtDpi(std::initializer_list<int> ids, int side, int dpi) {
  const int scaled = MulDiv(side, dpi, USER_DEFAULT_SCREEN_DPI);
  const HIMAGELIST hImages = ImageList_Create(scaled, scaled, ILC_COLOR32 | ILC_MASK, static_cast<int>(ids.size()), 10);
  if (hImages == nullptr) return nullptr;
  for (const int nId : ids) {
    const HBITMAP hBitmap = LoadBitmapAtDpi(nId, dpi);
    if (hBitmap == nullptr) continue;
    (void)ImageList_AddMasked(hImages, hBitmap, RGB(255, 0, 255));
    DeleteObject(hBitmap);
  }
  return hImages;
}

}  // namespace qv::app::win32
