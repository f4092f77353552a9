#pragma once

#include <QObject>
#include <QString>

class CTollvaneDlg;

inline const QString TOLLVANE_BUS_NAME = QStringLiteral("org.tollvane.Tollvane");
inline const QString TOLLVANE_OBJECT_PATH = QStringLiteral("/Tollvane");
inline const QString TOLLVANE_INTERFACE = QStringLiteral("org.tollvane.Tollvane");
inline constexpr int THUMB_PROGRAM = 1;
inline constexpr int THUMB_ERASE = 2;

// The window's Program and Erase buttons for the launcher's desktop actions:
// ThumbnailClicked(1) posts Program, ThumbnailClicked(2) posts Erase, any
// other id posts nothing.
class ThumbnailService : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.tollvane.Tollvane")

 public:
  explicit ThumbnailService(CTollvaneDlg& window) : QObject(nullptr), window_(window) {}

  // Takes the bus name and exports the object; false when another window has it.
  bool Register();

 public slots:
  Q_SCRIPTABLE void ThumbnailClicked(int id);

 private:
  CTollvaneDlg& window_;
};

// Asks a running window to press one of its buttons; false when none runs.
bool SendThumbnailClick(int id);
