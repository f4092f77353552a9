#include "ui/app_icon.h"

QIcon AppIcon() {
  // The resources live in a static library, whose initialiser a linker may drop.
  static const bool loaded = [] {
    Q_INIT_RESOURCE(resources);
    return true;
  }();
  (void)loaded;
  QIcon icon;
  for (int size : {16, 32, 48}) icon.addFile(QStringLiteral(":/icons/tollvane-%1.png").arg(size), QSize(size, size));
  return icon;
}
