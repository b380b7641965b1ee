#include "app/dialogs/dialog_builder.h"

#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <vector>

#include "app/dialogs/dialog_units.h"
#include "app/resources/dialog_template.h"
#include "app/resources/pictures.h"
#include "app/resources/resource_ids.h"

namespace qv::app {
namespace {

bool IsEdit(ControlKind kind) { return kind == ControlKind::kEdit || kind == ControlKind::kPasswordEdit; }

QWidget* MakeControl(const ControlTemplate& control, QWidget* pParent, const QRect& rect) {
  const QString text = QString::fromUtf8(control.strText ? control.strText : "");
  switch (control.kind) {
    case ControlKind::kStatic: {
      auto* label = new QLabel(text, pParent);
      label->setTextFormat(Qt::PlainText);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      label->setWordWrap(true);
      return label;
    }
    case ControlKind::kStaticBitmap: {
      auto* picture = new QLabel(pParent);
      // The picture fills its rectangle under any font.
      picture->setPixmap(LoadBitmapResource(control.nResource, rect.size()));
      return picture;
    }
    case ControlKind::kStaticIcon: {
      auto* icon = new QLabel(pParent);
      const int side = qMin(32, qMin(rect.width(), rect.height()));
      icon->setPixmap(LoadAppIcon().pixmap(side, side));
      icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      return icon;
    }
    case ControlKind::kEdit:
    case ControlKind::kPasswordEdit: {
      auto* edit = new QLineEdit(pParent);
      if (control.kind == ControlKind::kPasswordEdit) edit->setEchoMode(QLineEdit::Password);
      return edit;
    }
    case ControlKind::kPushButton:
    case ControlKind::kDefPushButton: {
      auto* button = new QPushButton(text, pParent);
      button->setDefault(control.kind == ControlKind::kDefPushButton);
      return button;
    }
    case ControlKind::kAutoCheckBox:
      return new QCheckBox(text, pParent);
    case ControlKind::kGroupBox: {
      auto* group = new QGroupBox(text, pParent);
      // The title sits on the frame's top line, so the frame spans the whole
      // rectangle as the template drew it.
      const int half = group->fontMetrics().height() / 2;
      group->setStyleSheet(QStringLiteral(
          "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: %1px; }"
          "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
          " left: 6px; padding: 0px 2px; }").arg(half));
      return group;
    }
  }
  return nullptr;
}

}  // namespace

void BuildDialog(QDialog& dialog, const DialogTemplate& dialogTemplate) {
  // A modal frame with a caption and a close box: nothing to minimise or maximise.
  dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                        Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  dialog.setWindowTitle(QString::fromUtf8(dialogTemplate.strCaption));
  QFont font = dialog.font();
  font.setPointSize(dialogTemplate.nPointSize);
  dialog.setFont(font);
  const DialogBaseUnits units = BaseUnitsOf(font);
  dialog.setFixedSize(MapDialogRect(units, 0, 0, dialogTemplate.cx, dialogTemplate.cy).size());

  struct Group {
    QGroupBox* pBox;
    QRect rect;
  };
  std::vector<Group> groups;
  std::vector<QWidget*> tabOrder;
  QLabel* pPendingLabel = nullptr;

  for (const ControlTemplate& control : dialogTemplate.controls) {
    QRect rect = MapDialogRect(units, control.x, control.y, control.cx, control.cy);
    QWidget* pParent = &dialog;
    for (const Group& group : groups) {
      if (group.rect.contains(rect)) {
        pParent = group.pBox;
        rect.translate(-group.rect.topLeft());
      }
    }
    QWidget* pWidget = MakeControl(control, pParent, rect);
    pWidget->setGeometry(rect);
    pWidget->setFont(font);  // explicitly: the group box's style sheet would reset it
    pWidget->setProperty(kControlIdProperty, control.nId);
    if (control.strAccessibleName) pWidget->setAccessibleName(QString::fromUtf8(control.strAccessibleName));
    if (control.strAccessibleDescription) {
      pWidget->setAccessibleDescription(QString::fromUtf8(control.strAccessibleDescription));
    }

    if (pPendingLabel && IsEdit(control.kind)) pPendingLabel->setBuddy(pWidget);
    pPendingLabel = control.kind == ControlKind::kStatic ? qobject_cast<QLabel*>(pWidget) : nullptr;
    if (control.kind == ControlKind::kGroupBox) groups.push_back({qobject_cast<QGroupBox*>(pWidget), rect});
    if (pWidget->focusPolicy() & Qt::TabFocus) tabOrder.push_back(pWidget);

    if (auto* pButton = qobject_cast<QPushButton*>(pWidget)) {
      if (control.nId == IDOK) QObject::connect(pButton, &QPushButton::clicked, &dialog, &QDialog::accept);
      if (control.nId == IDCANCEL) QObject::connect(pButton, &QPushButton::clicked, &dialog, &QDialog::reject);
    }
  }
  for (std::size_t i = 1; i < tabOrder.size(); ++i) QWidget::setTabOrder(tabOrder[i - 1], tabOrder[i]);
}

QWidget* DialogItem(const QWidget& dialog, int nId) {
  for (QWidget* pChild : dialog.findChildren<QWidget*>()) {
    if (pChild->property(kControlIdProperty).toInt() == nId &&
        pChild->property(kControlIdProperty).isValid()) {
      return pChild;
    }
  }
  return nullptr;
}

}  // namespace qv::app
