#include <QApplication>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <memory>
#include <sstream>

#include "jedec_generator.h"
#include "jtag/cable_link.h"
#include "jtag/command_stream.h"
#include "sim_board.h"
#include "ui/about_dlg.h"
#include "ui/resource_ids.h"
#include "ui/tollvane_dlg.h"

namespace {

// The window against the simulated board, on a virtual clock.
struct Window {
  explicit Window(const std::string& faults = "") : board(ParseSimFaults(faults)) {
    JtagResetEngineForTesting();
    JtagSetCableDrivers(board.Drivers());
    dlg = std::make_unique<CTollvaneDlg>(clock);
    dlg->chooseFile = [this] {
      ++fileDialogs;
      return fileDialogAnswer;
    };
  }
  ~Window() {
    dlg.reset();
    JtagSetCableDrivers(JtagDefaultCableDrivers());
  }
  void Start(const QStringList& arguments) {
    dlg->OnInitDialog(QStringList{"tollvane"} + arguments);
    dlg->StopCloseTimerForTesting();
    dlg->show();
    Settle();
  }
  // Runs what has been posted.
  static void Settle() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
  }
  void Drop(const QList<QUrl>& urls) {
    dlg->OnDropFiles(urls);
    Settle();
  }
  void Tick() {
    dlg->OnTimer(TIMER_CLOSE);
    Settle();
  }
  bool Closed() const { return !dlg->isVisible() && dlg->result() == QDialog::Rejected; }

  SimBoard board;
  VirtualClock clock;
  std::unique_ptr<CTollvaneDlg> dlg;
  int fileDialogs = 0;
  QString fileDialogAnswer;
};

const QRegularExpression kSuccess(QStringLiteral(R"(^Program success\. \(\d+\.\d{3}sec\)$)"));

}  // namespace

class TollvaneDlgTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    good_ = dir_.filePath("good.jed");
    std::ofstream(good_.toStdString(), std::ios::binary) << ExampleJedecText();
  }

  void startedWithAFileProgramsAndCountsDownToClose() {
    Window w;
    w.Start({good_});
    QVERIFY2(kSuccess.match(w.dlg->StatusText()).hasMatch(), qPrintable(w.dlg->StatusText()));
    QCOMPARE(w.board.Count().opens, 1u);
    QCOMPARE(w.dlg->CloseCountdown(), 4);
    for (int left : {3, 2, 1, 0}) {
      QVERIFY(!w.Closed());
      w.Tick();
      QCOMPARE(w.dlg->StatusText(), QStringLiteral("Close timer: %1sec. Press [Open] to cancel.").arg(left));
    }
    QVERIFY(w.Closed());
  }

  void aFailedRunStartsNoCountdown() {
    Window w("no-cable");
    w.Start({good_});
    QCOMPARE(w.dlg->StatusText(), QStringLiteral("Could not open JTAG cable."));
    for (int i = 0; i < 5; ++i) w.Tick();
    QCOMPARE(w.dlg->StatusText(), QStringLiteral("Could not open JTAG cable."));
    QVERIFY(!w.Closed());
  }

  void aMissingFileLeavesTheWindowIdle() {
    Window w;
    w.Start({dir_.filePath("missing.jed")});
    QCOMPARE(w.dlg->StatusText(), QString());
    QCOMPARE(w.dlg->FilePath(), QString());
    QCOMPARE(w.board.Count().opens, 0u);
  }

  void switchesAreSkippedAndOnlyTheFirstNameCounts() {
    Window w;
    w.Start({"-x", "/y", good_, dir_.filePath("second.jed")});
    QCOMPARE(w.dlg->FilePath(), good_);
    QVERIFY(kSuccess.match(w.dlg->StatusText()).hasMatch());
  }

  void openDuringTheCountdownCancelsItWithoutADialog() {
    Window w;
    w.Start({good_});
    w.Tick();
    w.dlg->OnCommand(IDC_OPEN);
    QCOMPARE(w.dlg->StatusText(), QStringLiteral("Close timer canceled."));
    QCOMPARE(w.fileDialogs, 0);
    QCOMPARE(w.dlg->CloseCountdown(), 0);
    for (int i = 0; i < 5; ++i) w.Tick();
    QVERIFY(!w.Closed());
    w.dlg->OnCommand(IDC_OPEN);
    QCOMPARE(w.fileDialogs, 1);
  }

  void openThenCancelShowsThePreviousPathAndResetsTheBar() {
    Window w;
    w.Start({});
    w.fileDialogAnswer = good_;
    w.dlg->OnCommand(IDC_OPEN);
    QCOMPARE(w.dlg->StatusText(), good_);
    w.dlg->OnCommand(IDC_PROGRAM);
    QCOMPARE(w.dlg->ProgressPosition(), 100);
    w.fileDialogAnswer.clear();
    w.dlg->OnCommand(IDC_OPEN);
    QCOMPARE(w.dlg->FilePath(), good_);
    QCOMPARE(w.dlg->StatusText(), good_);
    QCOMPARE(w.dlg->ProgressPosition(), 0);
    QCOMPARE(w.dlg->CloseCountdown(), 0);
  }

  void droppedFiles() {
    Window w;
    w.Start({});
    w.Drop({QUrl::fromLocalFile(dir_.path())});
    w.Drop({QUrl::fromLocalFile(dir_.filePath("missing.jed"))});
    QCOMPARE(w.board.Count().opens, 0u);
    QCOMPARE(w.dlg->FilePath(), QString());
    QCOMPARE(w.dlg->StatusText(), QString());

    w.Drop({QUrl::fromLocalFile(good_), QUrl::fromLocalFile(dir_.filePath("missing.jed"))});
    QCOMPARE(w.board.Count().opens, 1u);
    QCOMPARE(w.dlg->FilePath(), good_);
    QVERIFY(kSuccess.match(w.dlg->StatusText()).hasMatch());
    QCOMPARE(w.dlg->CloseCountdown(), 0);
  }

  void programDuringTheCountdownLetsItResume() {
    Window w;
    w.Start({good_});
    w.Tick();  // 3
    w.dlg->OnCommand(IDC_PROGRAM);
    QCOMPARE(w.board.Count().opens, 2u);
    QVERIFY(kSuccess.match(w.dlg->StatusText()).hasMatch());
    QCOMPARE(w.dlg->CloseCountdown(), 3);
    for (int left : {2, 1, 0}) {
      w.Tick();
      QCOMPARE(w.dlg->StatusText(), QStringLiteral("Close timer: %1sec. Press [Open] to cancel.").arg(left));
    }
    QVERIFY(w.Closed());
  }

  void commandsPostedDuringTheVerifyReportDoNotRunInsideIt() {
    Window w("flip=5:17");
    w.Start({});
    w.fileDialogAnswer = good_;
    w.dlg->OnCommand(IDC_OPEN);
    bool sawReport = false;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      QVERIFY(box);
      sawReport = box->text().startsWith("Verify Errors!!\nConfig data mismatch : 1 / 1236444 bits\n");
      QCOMPARE(box->parent(), w.dlg.get());
      QVERIFY(w.dlg->CommandRunning());
      w.dlg->PostCommand(IDC_PROGRAM);
      w.dlg->PostCommand(IDC_ERASE);
      w.dlg->PostCommand(IDCANCEL);
      Window::Settle();
      QCOMPARE(w.board.Count().opens, 1u);
      QVERIFY(w.dlg->isVisible());
      box->accept();
    });
    w.dlg->OnCommand(IDC_PROGRAM);
    QVERIFY(sawReport);
    QVERIFY(w.dlg->StatusText().startsWith("Verify error!! ("));
    Window::Settle();
    QCOMPARE(w.board.Count().opens, 1u);  // Program and Erase were dropped
    QVERIFY(w.Closed());                  // Cancel took effect after the command
  }

  void aboutBoxFromTheSystemCommand() {
    Window w;
    w.Start({});
    for (int command : {16, 31, 32}) {
      bool opened = false;
      QTimer::singleShot(0, [&] {
        if (auto* about = dynamic_cast<CAboutDlg*>(QApplication::activeModalWidget())) {
          opened = true;
          QCOMPARE(about->windowTitle(), QStringLiteral("バージョン情報 Tollvane"));
          about->accept();
        }
      });
      w.dlg->OnSysCommand(command);
      Window::Settle();
      QCOMPARE(opened, command < 32);
    }
  }

  void screenshots() {
    Window w;
    w.Start({good_});
    QVERIFY(w.dlg->grab().save(QStringLiteral(SCREENSHOT_DIR "/main-window.png")));
    CAboutDlg about(w.dlg.get());
    about.show();
    QVERIFY(about.grab().save(QStringLiteral(SCREENSHOT_DIR "/about-box.png")));
  }

 private:
  QTemporaryDir dir_;
  QString good_;
};

QTEST_MAIN(TollvaneDlgTest)
#include "tollvane_dlg_test.moc"
