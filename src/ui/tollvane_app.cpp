#include "ui/tollvane_app.h"

#include <QApplication>

#include "jtag/clock.h"
#include "ui/thumbnail_service.h"
#include "ui/tollvane_dlg.h"

int CTollvaneApp::Run(int argc, char** argv) {
  QApplication application(argc, argv);
  QGuiApplication::setDesktopFileName(QStringLiteral("tollvane"));
  // A launcher action presses a button of the running window; with no
  // window running it just starts one (the switch is then ignored).
  for (const QString& argument : QApplication::arguments()) {
    if (argument.startsWith(QStringLiteral("--thumbnail-clicked=")) &&
        SendThumbnailClick(argument.section('=', 1).toInt())) {
      return 0;
    }
  }
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
