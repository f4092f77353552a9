#pragma once

#include <QString>
#include <QVariantMap>
#include <functional>

#include "ui/taskbar_progress.h"

// Where launcher-entry updates go: the session bus, or a recorder in tests.
using LauncherSignal = std::function<void(const QString& appUri, const QVariantMap& properties)>;

inline const QString LAUNCHER_APP_URI = QStringLiteral("application://tollvane.desktop");

// Progress on the launcher or task-bar entry, for desktops that implement
// com.canonical.Unity.LauncherEntry (KDE Plasma, Ubuntu Dock, Dash to Dock).
// The error state is the entry's "urgent" mark; the bar, once shown, stays.
class LauncherEntryProgress final : public TaskbarProgress {
 public:
  explicit LauncherEntryProgress(LauncherSignal send) : send_(std::move(send)) {}

  void SetProgressValue(int completed, int total) override;
  void SetProgressState(State state) override;

 private:
  LauncherSignal send_;
};

// Sends the Update signal on the session bus; false when there is no session bus.
bool SessionBusAvailable();
LauncherSignal SessionBusLauncherSignal();
