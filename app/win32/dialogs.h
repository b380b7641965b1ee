// The four modal dialogs, on the templates of window_resources.rc. Each is a local
// of the command that shows it; its members are read after DoModal returned IDOK.
#pragma once

#include <windows.h>

#include <string>

namespace qv::app::win32 {

class CDialog {
 public:
  CDialog(int nTemplate, HWND hParent) : m_nTemplate(nTemplate), m_hParent(hParent) {}
  virtual ~CDialog() = default;
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;

  // IDOK or IDCANCEL (also the close box and Escape); -1 when the dialog could not
  // be made.
  INT_PTR DoModal();

 protected:
  virtual BOOL OnInitDialog() { return TRUE; }
  // A button or box of the dialog; false leaves it to the default handling.
  virtual bool OnCommand(int nId, int nCode);
  virtual void OnOK() { EndDialog(m_hWnd, IDOK); }

  HWND m_hWnd = nullptr;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam);

  int m_nTemplate;
  HWND m_hParent;
};

// The backup options: the archive's path, compression, and a password typed twice.
class CBackupDialog : public CDialog {
 public:
  explicit CBackupDialog(HWND hParent);

  // As typed, blanks at their ends included.
  std::wstring m_strFileName;
  int m_bCompress = 0;
  int m_bProtect = 0;
  std::wstring m_strPassword;
  std::wstring m_strPasswordConfirm;

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int nId, int nCode) override;
  void OnOK() override;

 private:
  // Controls into the members when bSaveAndValidate, else members into controls.
  void DoDataExchange(bool bSaveAndValidate);
  void OnBrowse();
  void OnProtectClicked();
};

class CEnterPasswordDialog : public CDialog {
 public:
  explicit CEnterPasswordDialog(HWND hParent);
  std::wstring m_strPassword;

 protected:
  void OnOK() override;
};

class CSplashDialog : public CDialog {
 public:
  explicit CSplashDialog(HWND hParent);

 protected:
  bool OnCommand(int nId, int nCode) override;
};

class CAboutDlg : public CDialog {
 public:
  explicit CAboutDlg(HWND hParent);
  ~CAboutDlg() override;

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int nId, int nCode) override;

 private:
  HFONT m_fontTitle = nullptr;
};

}  // namespace qv::app::win32
