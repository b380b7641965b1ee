// A dialog template as data: the dialog's caption and size and, in tab order, each
// control's kind, identifier, text and rectangle. Sizes are dialog units: a quarter
// of the dialog font's average character width across, an eighth of its height
// down, so a layout keeps its proportions under any font. The texts were measured
// for an 8-point dialog font.
#pragma once

#include <span>

namespace qv::app {

enum class ControlKind {
  kStatic,         // a label; it names the next box in tab order for screen readers
  kStaticBitmap,   // a picture, nResource names the bitmap
  kStaticIcon,     // an icon, nResource names it
  kEdit,
  kPasswordEdit,   // an edit that shows bullets in place of what is typed
  kPushButton,
  kDefPushButton,  // the button Enter presses
  kAutoCheckBox,
  kGroupBox,
};

inline constexpr int kDialogPointSize = 8;

struct ControlTemplate {
  ControlKind kind;
  int nId;
  const char* strText;  // UTF-8; "&" marks the mnemonic, as on every dialog
  int x, y, cx, cy;
  int nResource = 0;
  // For a control that shows no text of its own or whose text says little to
  // someone who cannot see the dialog. Null: the text (or the label) names it.
  const char* strAccessibleName = nullptr;
  const char* strAccessibleDescription = nullptr;
};

struct DialogTemplate {
  int nId;
  const char* strCaption;
  int cx, cy;  // client area
  std::span<const ControlTemplate> controls;
  // The dialog font: the desktop's own sans family at this size. Points follow the
  // screen's resolution, so the whole dialog grows with it.
  int nPointSize = kDialogPointSize;
};

const DialogTemplate& BackupDialogTemplate();
const DialogTemplate& EnterPasswordDialogTemplate();
const DialogTemplate& SplashDialogTemplate();
const DialogTemplate& AboutDialogTemplate();

}  // namespace qv::app
