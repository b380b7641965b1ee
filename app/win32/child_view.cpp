#include "app/win32/child_view.h"

#include "app/resources/resource_ids.h"
#include "app/win32/dpi.h"
#include "app/win32/prompts.h"
#include "jobs/backup_item_size_text.h"

namespace qv::app::win32 {
namespace {

constexpr wchar_t kClassName[] = L"QuorvelChildView";
constexpr int kIconSide = 16;  // pixels at 96 dpi

void AddColumn(HWND hList, int index, const char* title, int width) {
  std::wstring text = Wide(title);
  LVCOLUMNW column{};
  column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  column.fmt = LVCFMT_LEFT;
  column.cx = ScaledFor(hList, width);
  column.pszText = text.data();
  column.iSubItem = index;
  (void)ListView_InsertColumn(hList, index, &column);
}

}  // namespace

CChildView::~CChildView() {
  if (m_hWnd != nullptr && IsWindow(m_hWnd)) DestroyWindow(m_hWnd);
  if (m_imlIcons != nullptr) ImageList_Destroy(m_imlIcons);
}

bool CChildView::Create(HWND hParent, int nId) {
  const HINSTANCE hInstance = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  if (!GetClassInfoExW(hInstance, kClassName, &windowClass)) {
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = hInstance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassExW(&windowClass)) return false;
  }
  m_hWnd = CreateWindowExW(WS_EX_CLIENTEDGE, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0, 0,
                           hParent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(nId)), hInstance, this);
  return m_hWnd != nullptr && m_wndList != nullptr;
}

bool CChildView::OnCreate() {
  m_wndList = CreateWindowExW(0, WC_LISTVIEWW, L"Items", WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT, 0, 0, 0, 0,
                              m_hWnd, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (m_wndList == nullptr) return false;
  (void)ListView_SetExtendedListViewStyle(m_wndList, LVS_EX_FULLROWSELECT);
  AddColumn(m_wndList, 0, kNameColumnTitle, kNameColumnWidth);
  AddColumn(m_wndList, 1, kSizeColumnTitle, kSizeColumnWidth);

  LoadIcons(WindowDpi(m_hWnd));
  return true;
}

void CChildView::LoadIcons(int dpi) {
  const HIMAGELIST hIcons = MakeImageListAtDpi({IDB_FAVORITES, IDB_IE_SETTINGS}, kIconSide, dpi);
  if (hIcons == nullptr) return;  // the list keeps the icons it has
  (void)ListView_SetImageList(m_wndList, hIcons, LVSIL_SMALL);
  if (m_imlIcons != nullptr) ImageList_Destroy(m_imlIcons);
  m_imlIcons = hIcons;
}

void CChildView::ApplyDpi(int dpi, HFONT hFont) {
  SendMessageW(m_wndList, WM_SETFONT, reinterpret_cast<WPARAM>(hFont), TRUE);
  LoadIcons(dpi);
  int column = 0;
  for (const int width : {kNameColumnWidth, kSizeColumnWidth}) {
    (void)ListView_SetColumnWidth(m_wndList, column++, MulDiv(width, dpi, USER_DEFAULT_SCREEN_DPI));
  }
}

void CChildView::SetRows(const std::vector<ItemRow>& rows) {
  (void)ListView_DeleteAllItems(m_wndList);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    std::wstring name = Wide(rows[i].strName);
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = static_cast<int>(i);
    item.pszText = name.data();
    item.iImage = static_cast<int>(i);
    const int index = ListView_InsertItem(m_wndList, &item);
    std::wstring size = Wide(ItemSizeText(rows[i].nSize));
    ListView_SetItemText(m_wndList, index, 1, size.data());
  }
}

LRESULT CALLBACK CChildView::WindowProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam) {
  if (nMessage == WM_NCCREATE) {
    auto* pCreate = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(pCreate->lpCreateParams));
    static_cast<CChildView*>(pCreate->lpCreateParams)->m_hWnd = hWnd;
  }
  auto* pView = reinterpret_cast<CChildView*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
  if (pView != nullptr) {
    switch (nMessage) {
      case WM_CREATE:
        return pView->OnCreate() ? 0 : -1;
      case WM_SIZE:
        if (pView->m_wndList) MoveWindow(pView->m_wndList, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
      case WM_SETFOCUS:
        if (pView->m_wndList) SetFocus(pView->m_wndList);
        return 0;
      case WM_NCDESTROY:
        SetWindowLongPtrW(hWnd, GWLP_USERDATA, 0);
        pView->m_hWnd = nullptr;
        pView->m_wndList = nullptr;
        break;
      default:
        break;
    }
  }
  return DefWindowProcW(hWnd, nMessage, wParam, lParam);
}

}  // namespace qv::app::win32
