#include "ui/about_dlg.h"

#include <QLabel>
#include <QPushButton>

#include "ui/app_icon.h"
#include "ui/dialog_units.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("バージョン情報 Tollvane"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  const DialogUnits du(font());
  setFixedSize(du.Size(235, 55));

  auto* icon = new QLabel(this);
  const QRect iconRect = du.Rect(11, 17, 0, 0);
  icon->setGeometry(iconRect.x(), iconRect.y(), 32, 32);
  icon->setPixmap(AppIcon().pixmap(32, 32));

  (new QLabel(QStringLiteral("Tollvaner for USB-Blaster"), this))->setGeometry(du.Rect(40, 10, 119, 8));
  (new QLabel(QStringLiteral("Version : 0.54 (2026/12/11)"), this))->setGeometry(du.Rect(40, 23, 119, 8));

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setGeometry(du.Rect(178, 7, 50, 16));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
