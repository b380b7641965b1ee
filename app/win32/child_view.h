// The main window's client area: a report-mode list of the backup items with their
// sizes. For reading only: what is selected changes nothing a job does.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "app/workers/item_rows.h"

namespace qv::app::win32 {

class CChildView {
 public:
  CChildView() = default;
  ~CChildView();
  CChildView(const CChildView&) = delete;
  CChildView& operator=(const CChildView&) = delete;

  // A child of `hParent` with the client edge; false when the view or its list
  // could not be made.
  bool Create(HWND hParent, int nId);
  void SetRows(const std::vector<ItemRow>& rows);
  // The list's font (kept by the caller), icons and column widths for `dpi`.
  void ApplyDpi(int dpi, HFONT hFont);

  HWND Handle() const { return m_hWnd; }
  HWND List() const { return m_wndList; }

 private:
  static LRESULT CALLBACK WindowProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam);
  bool OnCreate();
  // The rows' icons at `dpi`.
  void LoadIcons(int dpi);

  HWND m_hWnd = nullptr;
  HIMAGELIST m_imlIcons = nullptr;
  HWND m_wndList = nullptr;
};

}  // namespace qv::app::win32
