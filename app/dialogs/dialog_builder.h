// Builds a dialog's controls from its template (app/resources/dialog_template.h).
#pragma once

#include <QWidget>

class QDialog;

namespace qv::app {

struct DialogTemplate;

// Sets the caption, the dialog font (the dialog's family at the template's size)
// and the fixed client size, and creates every control at its place, in tab order.
// A label names the box that follows it; controls inside a group box become its
// children, so screen readers read them as one group. OK (IDOK) is wired to
// accept(), Cancel (IDCANCEL) to reject(), as Enter and Escape are.
void BuildDialog(QDialog& dialog, const DialogTemplate& dialogTemplate);

// The control with identifier `nId`, or null.
QWidget* DialogItem(const QWidget& dialog, int nId);

template <class Control>
Control* DialogItemAs(const QWidget& dialog, int nId) {
  return qobject_cast<Control*>(DialogItem(dialog, nId));
}

// The property that carries a control's identifier.
inline constexpr char kControlIdProperty[] = "controlId";

}  // namespace qv::app
