#include "ui/tollvane_app.h"

#include <QApplication>

#include "jtag/clock.h"
#include "ui/tollvane_dlg.h"

int CTollvaneApp::Run(int argc, char** argv) {
  QApplication application(argc, argv);
  InitInstance(QApplication::arguments());
  return 0;
}

bool CTollvaneApp::InitInstance(const QStringList& arguments) {
  SystemClock clock;
  CTollvaneDlg dialog(clock);
  dialog.OnInitDialog(arguments);
  dialog.exec();
  return false;  // nothing more to run once the window has closed
}
