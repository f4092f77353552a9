// Launcher progress and the desktop actions, on a private session bus
// (the test runs under dbus-run-session).
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <memory>

#include "device/device_operation.h"
#include "jedec_generator.h"
#include "jtag/cable_link.h"
#include "jtag/command_stream.h"
#include "sim_board.h"
#include "ui/launcher_entry.h"
#include "ui/thumbnail_service.h"
#include "ui/tollvane_dlg.h"

namespace {

struct Update {
  QString appUri;
  QVariantMap properties;
};

void Settle() {
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

}  // namespace

// Receives the launcher-entry signal on a second connection.
class LauncherWatcher : public QObject {
  Q_OBJECT
 public:
  QList<Update> updates;
 public slots:
  void OnUpdate(const QString& appUri, const QVariantMap& properties) { updates.append({appUri, properties}); }
};

class DesktopIntegrationTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run under dbus-run-session");
    good_ = dir_.filePath("good.jed");
    std::ofstream(good_.toStdString(), std::ios::binary) << ExampleJedecText();
    JtagResetEngineForTesting();
    JtagSetCableDrivers(board_.Drivers());
    dlg_ = std::make_unique<CTollvaneDlg>(clock_);
    dlg_->OnInitDialog({"tollvane"});
    dlg_->StopCloseTimerForTesting();
  }

  void cleanupTestCase() {
    dlg_.reset();
    JtagSetCableDrivers(JtagDefaultCableDrivers());
  }

  void setProgressRulesOnTheLauncherEntry() {
    QList<Update> sent;
    CTollvaneDlg dlg(clock_);
    dlg.SetTaskbar(std::make_unique<LauncherEntryProgress>(
        [&](const QString& uri, const QVariantMap& properties) { sent.append({uri, properties}); }));
    SetProgress(dlg, -20);
    QCOMPARE(sent.size(), 2);
    QCOMPARE(sent[0].appUri, QStringLiteral("application://tollvane.desktop"));
    QCOMPARE(sent[0].properties.value("progress").toDouble(), 0.2);
    QCOMPARE(sent[0].properties.value("progress-visible").toBool(), true);
    QCOMPARE(sent[1].properties.value("urgent").toBool(), true);
    QVERIFY2(!sent[1].properties.contains("progress"), "the error keeps the value");
    QCOMPARE(dlg.ProgressPosition(), 0);

    sent.clear();
    SetProgress(dlg, 0);
    QCOMPARE(sent.size(), 2);
    QCOMPARE(sent[0].properties.value("urgent").toBool(), false);
    QCOMPARE(sent[1].properties.value("progress").toDouble(), 0.0);

    sent.clear();
    SetProgress(dlg, 42);
    QCOMPARE(sent.size(), 1);
    QCOMPARE(sent[0].properties.value("progress").toDouble(), 0.42);
    QVERIFY(!sent[0].properties.contains("urgent"));
    QCOMPARE(dlg.ProgressPosition(), 42);

    CTollvaneDlg absent(clock_);  // never shown: no launcher entry
    QVERIFY(!absent.HasTaskbar());
    SetProgress(absent, 30);
    QCOMPARE(absent.ProgressPosition(), 30);
  }

  void theSignalReachesTheBus() {
    QDBusConnection watcherBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "watcher");
    LauncherWatcher watcher;
    QVERIFY(watcherBus.connect(QString(), QString(), "com.canonical.Unity.LauncherEntry", "Update", &watcher,
                               SLOT(OnUpdate(QString, QVariantMap))));
    dlg_->show();
    QVERIFY(dlg_->HasTaskbar());
    SetProgress(*dlg_, -20);
    QTRY_COMPARE(watcher.updates.size(), 2);
    QCOMPARE(watcher.updates[0].appUri, QStringLiteral("application://tollvane.desktop"));
    QCOMPARE(watcher.updates[0].properties.value("progress").toDouble(), 0.2);
    QCOMPARE(watcher.updates[1].properties.value("urgent").toBool(), true);
    QDBusConnection::disconnectFromBus("watcher");
  }

  void desktopActionsPressTheButtons() {
    dlg_->show();
    const uint64_t opensBefore = board_.Count().opens;
    Click(1);
    QVERIFY2(dlg_->StatusText().startsWith("Program success."), qPrintable(dlg_->StatusText()));
    QCOMPARE(board_.Count().opens, opensBefore + 1);
    QCOMPARE(board_.Target().RowsWritten(), 1938u);

    Click(2);
    QVERIFY2(dlg_->StatusText().startsWith("Erace success."), qPrintable(dlg_->StatusText()));
    QCOMPARE(board_.Count().opens, opensBefore + 2);

    Click(3);
    QCOMPARE(board_.Count().opens, opensBefore + 2);
    QVERIFY(dlg_->StatusText().startsWith("Erace success."));
  }

  void theDesktopActionCommandReachesTheRunningWindow() {
    dlg_->show();
    const uint64_t opensBefore = board_.Count().opens;
    QProcess action;
    action.start(QStringLiteral(TOLLVANE_BIN), {QStringLiteral("--thumbnail-clicked=2")});
    QTRY_VERIFY_WITH_TIMEOUT(action.state() == QProcess::NotRunning, 10000);
    QCOMPARE(action.exitCode(), 0);
    Settle();
    QCOMPARE(board_.Count().opens, opensBefore + 1);
    QVERIFY(dlg_->StatusText().startsWith("Erace success."));
  }

 private:
  // Calls ThumbnailClicked(id) through the bus, as a desktop action does.
  void Click(int id) {
    if (dlg_->FilePath().isEmpty()) {
      dlg_->chooseFile = [this] { return good_; };
      dlg_->OnCommand(1003);  // Open
    }
    QDBusConnection caller = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "caller");
    QDBusMessage message =
        QDBusMessage::createMethodCall(TOLLVANE_BUS_NAME, TOLLVANE_OBJECT_PATH, TOLLVANE_INTERFACE, "ThumbnailClicked");
    message << id;
    QDBusPendingCall call = caller.asyncCall(message);
    QDBusPendingCallWatcher done(call);
    QTRY_VERIFY(done.isFinished());
    QVERIFY2(!done.isError(), qPrintable(done.error().message()));
    Settle();
    QDBusConnection::disconnectFromBus("caller");
  }

  QTemporaryDir dir_;
  QString good_;
  SimBoard board_;
  VirtualClock clock_;
  std::unique_ptr<CTollvaneDlg> dlg_;
};

QTEST_MAIN(DesktopIntegrationTest)
#include "desktop_integration_test.moc"
