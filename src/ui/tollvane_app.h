#pragma once

#include <QStringList>

// The application: runs the main window modally and ends when it closes.
class CTollvaneApp {
 public:
  int Run(int argc, char** argv);

 private:
  bool InitInstance(const QStringList& arguments);
};
