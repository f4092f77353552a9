#include "ui/thumbnail_service.h"

#include <QDBusConnection>
#include <QDBusMessage>

#include "ui/resource_ids.h"
#include "ui/tollvane_dlg.h"

bool ThumbnailService::Register() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected() || !bus.registerService(TOLLVANE_BUS_NAME)) return false;
  return bus.registerObject(TOLLVANE_OBJECT_PATH, this, QDBusConnection::ExportScriptableSlots);
}

void ThumbnailService::ThumbnailClicked(int id) {
  if (id == THUMB_PROGRAM) window_.PostCommand(IDC_PROGRAM);
  if (id == THUMB_ERASE) window_.PostCommand(IDC_ERASE);
}

bool SendThumbnailClick(int id) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return false;
  QDBusMessage call = QDBusMessage::createMethodCall(TOLLVANE_BUS_NAME, TOLLVANE_OBJECT_PATH,
                                                     TOLLVANE_INTERFACE, QStringLiteral("ThumbnailClicked"));
  call << id;
  return bus.call(call).type() == QDBusMessage::ReplyMessage;
}
