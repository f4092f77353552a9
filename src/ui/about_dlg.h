#pragma once

#include <QDialog>

// The About box: icon, name, version and release date, one OK button.
class CAboutDlg : public QDialog {
 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};
