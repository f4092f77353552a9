#pragma once

#include <QDialog>
#include <QIcon>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <memory>

#include "device/window_operations.h"
#include "jtag/clock.h"
#include "ui/taskbar_progress.h"

class QLineEdit;
class ThumbnailService;
class QProgressBar;
class QPushButton;

// The main window: status line, progress bar, Open, Program, "Erace Only" and
// Close. Device commands run to their end inside the command handler; the
// window shows their progress only through explicit repaints.
class CTollvaneDlg : public QDialog, public WindowOperations {
 public:
  explicit CTollvaneDlg(Clock& clock, QWidget* parent = nullptr);
  ~CTollvaneDlg() override;

  // Takes the command-line file and starts the close timer; call before the
  // dialog runs. arguments[0] is the program.
  void OnInitDialog(const QStringList& arguments);

  // The window's commands, by id, as buttons send them.
  void OnCommand(int id);
  // Queues a command to run after the current handler returns.
  void PostCommand(int id);
  void OnTimer(int timerId);
  void OnSysCommand(int command);
  // Takes the first dropped file when it opens, and programs it.
  void OnDropFiles(const QList<QUrl>& urls);

  const QString& FilePath() const { return m_filePath; }
  int CloseCountdown() const { return m_closeCountdown; }
  QString StatusText() const;
  int ProgressPosition() const;
  bool CommandRunning() const { return m_commandRunning; }

  // The file dialog; tests answer it themselves. Returns an empty string on Cancel.
  std::function<QString()> chooseFile;
  void SetTaskbar(std::unique_ptr<TaskbarProgress> taskbar) { m_taskbar = std::move(taskbar); }
  // Tests tick the countdown themselves.
  void StopCloseTimerForTesting() { m_closeTimer.stop(); }

  // WindowOperations.
  void SetStatusText(const std::string& text) override;
  void RepaintNow() override;
  void SetProgressBar(int percent) override;
  bool HasTaskbar() const override { return m_taskbar != nullptr; }
  void SetTaskbarValue(int completedOf100) override;
  void SetTaskbarState(TaskbarState state) override;
  void ShowMessageBox(const std::string& text, bool ownedByWindow) override;
  void SetWaitCursor(bool on) override;
  bool TakeStartedFromCommandLine() override;
  void SetCloseCountdown(int seconds) override { m_closeCountdown = seconds; }

 public slots:
  void reject() override;

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void OnOpen();
  void OnProgram();
  void OnErase();
  void RunDeviceCommand(const std::function<void()>& command);

  Clock& m_clock;
  QIcon m_icon;
  QLineEdit* m_statusLine;
  QProgressBar* m_progressBar;
  QString m_filePath;
  std::unique_ptr<TaskbarProgress> m_taskbar;
  std::unique_ptr<ThumbnailService> m_thumbnails;
  int m_closeCountdown = 0;
  int m_startedFromCommandLine = 0;
  QTimer m_closeTimer;

  // A command's message box runs an event loop; nothing may start inside it.
  bool m_commandRunning = false;
  bool m_cancelPending = false;
};
