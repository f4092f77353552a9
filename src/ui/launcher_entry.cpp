#include "ui/launcher_entry.h"

#include <QDBusConnection>
#include <QDBusMessage>

void LauncherEntryProgress::SetProgressValue(int completed, int total) {
  send_(LAUNCHER_APP_URI, {{QStringLiteral("progress"), static_cast<double>(completed) / total},
                           {QStringLiteral("progress-visible"), true}});
}

void LauncherEntryProgress::SetProgressState(State state) {
  send_(LAUNCHER_APP_URI,
        {{QStringLiteral("urgent"), state == State::Error}, {QStringLiteral("progress-visible"), true}});
}

bool SessionBusAvailable() { return QDBusConnection::sessionBus().isConnected(); }

LauncherSignal SessionBusLauncherSignal() {
  return [](const QString& appUri, const QVariantMap& properties) {
    QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/tollvane/LauncherEntry"),
                                                     QStringLiteral("com.canonical.Unity.LauncherEntry"),
                                                     QStringLiteral("Update"));
    signal << appUri << properties;
    QDBusConnection::sessionBus().send(signal);
  };
}
