#include "ui/tollvane_dlg.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>

#include "device/device_commands.h"
#include "fuse/jedec_loader.h"
#include "jtag/driver_message.h"
#include "ui/about_dlg.h"
#include "ui/app_icon.h"
#include "ui/dialog_units.h"
#include "ui/launcher_entry.h"
#include "ui/resource_ids.h"
#include "ui/thumbnail_service.h"

namespace {

std::filesystem::path ToPath(const QString& name) { return QFile::encodeName(name).toStdString(); }

bool TestOpen(const QString& name) { return !name.isEmpty() && TestOpenFile(ToPath(name)); }

// Switches begin with "-" or "/"; but here "/" also begins every absolute
// path, so a name that exists is a file, not a switch.
bool IsSwitch(const QString& argument) {
  if (argument.startsWith('-')) return true;
  return argument.startsWith('/') && !std::filesystem::exists(ToPath(argument));
}

}  // namespace

CTollvaneDlg::CTollvaneDlg(Clock& clock, QWidget* parent)
    : QDialog(parent), m_clock(clock), m_icon(AppIcon()) {
  setWindowTitle(QStringLiteral("Tollvane 0.54"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setAcceptDrops(true);
  const DialogUnits du(font());
  setFixedSize(du.Size(211, 49));

  // Template order is tab order: Close first, so it has the focus at start.
  auto* close = new QPushButton(QStringLiteral("Close"), this);
  close->setGeometry(du.Rect(159, 33, 50, 14));
  m_statusLine = new QLineEdit(this);
  m_statusLine->setGeometry(du.Rect(2, 2, 207, 14));
  m_statusLine->setReadOnly(true);
  m_progressBar = new QProgressBar(this);
  m_progressBar->setGeometry(du.Rect(2, 17, 207, 14));
  m_progressBar->setRange(0, 100);
  m_progressBar->setValue(0);
  m_progressBar->setTextVisible(false);
  m_progressBar->setFocusPolicy(Qt::NoFocus);
  auto* open = new QPushButton(QStringLiteral("Open"), this);
  open->setGeometry(du.Rect(2, 33, 50, 14));
  auto* program = new QPushButton(QStringLiteral("Program"), this);
  program->setGeometry(du.Rect(54, 33, 50, 14));
  auto* erase = new QPushButton(QStringLiteral("Erace Only"), this);
  erase->setGeometry(du.Rect(106, 33, 50, 14));

  const std::pair<QPushButton*, int> buttons[] = {
      {close, IDCANCEL}, {open, IDC_OPEN}, {program, IDC_PROGRAM}, {erase, IDC_ERASE}};
  for (auto [button, id] : buttons) {
    button->setAutoDefault(false);  // no default push button: Enter presses nothing
    button->setDefault(false);
    connect(button, &QPushButton::clicked, this, [this, id = id] { OnCommand(id); });
  }
  setTabOrder(close, m_statusLine);
  setTabOrder(m_statusLine, open);
  setTabOrder(open, program);
  setTabOrder(program, erase);
  close->setFocus();

  chooseFile = [this] {
    return QFileDialog::getOpenFileName(this, QString(), QString(),
                                        QStringLiteral("JEDEC File (*.jed);;すべてのファイル (*.*)"));
  };
  SetDriverMessageHandler([this](const std::string& text) { ShowMessageBox(text, false); });
  m_closeTimer.setInterval(CLOSE_TIMER_MS);
  connect(&m_closeTimer, &QTimer::timeout, this, [this] { OnTimer(TIMER_CLOSE); });
}

CTollvaneDlg::~CTollvaneDlg() { SetDriverMessageHandler(nullptr); }

void CTollvaneDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // The launcher entry exists once the window is shown; without a session
  // bus there is none, and every taskbar step is skipped.
  if (m_thumbnails || !SessionBusAvailable()) return;
  if (!m_taskbar) m_taskbar = std::make_unique<LauncherEntryProgress>(SessionBusLauncherSignal());
  m_thumbnails = std::make_unique<ThumbnailService>(*this);
  m_thumbnails->Register();
}

void CTollvaneDlg::OnInitDialog(const QStringList& arguments) {
  setWindowIcon(m_icon);
  QString file;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    if (IsSwitch(argument)) continue;
    file = argument;
    break;
  }
  if (TestOpen(file)) {
    m_filePath = file;  // as given: a relative name stays relative
    m_startedFromCommandLine = 1;
    PostCommand(IDC_PROGRAM);
  }
  m_closeTimer.start();
}

void CTollvaneDlg::OnCommand(int id) {
  switch (id) {
    case IDC_OPEN:
      OnOpen();
      break;
    case IDC_PROGRAM:
      OnProgram();
      break;
    case IDC_ERASE:
      OnErase();
      break;
    case IDOK:
    case IDCANCEL:
      reject();
      break;
    default:
      break;
  }
}

void CTollvaneDlg::PostCommand(int id) {
  QMetaObject::invokeMethod(this, [this, id] { OnCommand(id); }, Qt::QueuedConnection);
}

void CTollvaneDlg::reject() {
  // Ending the dialog inside a running command would pull the window from
  // under it; the command ends first.
  if (m_commandRunning) {
    m_cancelPending = true;
    return;
  }
  QDialog::reject();
}

void CTollvaneDlg::RunDeviceCommand(const std::function<void()>& command) {
  if (m_commandRunning) return;  // arrived during the running command's message box
  m_commandRunning = true;
  command();
  m_commandRunning = false;
  if (m_cancelPending) {
    m_cancelPending = false;
    QDialog::reject();
  }
}

void CTollvaneDlg::OnOpen() {
  if (m_commandRunning) return;
  if (m_closeCountdown != 0) {
    m_closeCountdown = 0;
    SetStatusText("Close timer canceled.");
    return;
  }
  const QString chosen = chooseFile();
  if (!chosen.isEmpty()) m_filePath = chosen;  // not test-opened: Program reports it
  m_statusLine->setText(m_filePath);
  SetProgress(*this, 0);
}

void CTollvaneDlg::OnProgram() {
  RunDeviceCommand([this] { ProgramDevice(*this, m_clock, ToPath(m_filePath)); });
}

void CTollvaneDlg::OnErase() {
  RunDeviceCommand([this] { EraseDevice(*this, m_clock); });
}

void CTollvaneDlg::OnTimer(int timerId) {
  if (timerId != TIMER_CLOSE || m_closeCountdown == 0) return;
  --m_closeCountdown;
  m_statusLine->setText(QStringLiteral("Close timer: %1sec. Press [Open] to cancel.").arg(m_closeCountdown));
  if (m_closeCountdown == 0) PostCommand(IDCANCEL);
}

void CTollvaneDlg::OnSysCommand(int command) {
  if ((command & 0xFFF0) != IDM_ABOUTBOX) return;
  CAboutDlg about(this);
  about.exec();
}

void CTollvaneDlg::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CTollvaneDlg::dropEvent(QDropEvent* event) {
  event->acceptProposedAction();
  OnDropFiles(event->mimeData()->urls());
}

void CTollvaneDlg::OnDropFiles(const QList<QUrl>& urls) {
  if (urls.isEmpty() || !urls.first().isLocalFile()) return;
  // The whole name: cutting it short could name another, existing file.
  const QString name = urls.first().toLocalFile();
  if (!TestOpen(name)) return;
  m_filePath = name;
  PostCommand(IDC_PROGRAM);
}

void CTollvaneDlg::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  QAction* about = menu.addAction(QStringLiteral("バージョン情報 Tollvane(&A)..."));
  if (menu.exec(event->globalPos()) == about) OnSysCommand(IDM_ABOUTBOX);
}

QString CTollvaneDlg::StatusText() const { return m_statusLine->text(); }

int CTollvaneDlg::ProgressPosition() const { return m_progressBar->value(); }

void CTollvaneDlg::SetStatusText(const std::string& text) { m_statusLine->setText(QString::fromStdString(text)); }

void CTollvaneDlg::RepaintNow() { repaint(); }

void CTollvaneDlg::SetProgressBar(int percent) { m_progressBar->setValue(percent); }

void CTollvaneDlg::SetTaskbarValue(int completedOf100) {
  if (m_taskbar) m_taskbar->SetProgressValue(completedOf100, 100);
}

void CTollvaneDlg::SetTaskbarState(TaskbarState state) {
  if (m_taskbar) {
    m_taskbar->SetProgressState(state == TaskbarState::Error ? TaskbarProgress::State::Error
                                                             : TaskbarProgress::State::Normal);
  }
}

void CTollvaneDlg::ShowMessageBox(const std::string& text, bool ownedByWindow) {
  QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), QString::fromStdString(text),
                  QMessageBox::Ok, ownedByWindow ? this : nullptr);
  box.exec();
}

void CTollvaneDlg::SetWaitCursor(bool on) {
  if (on) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

bool CTollvaneDlg::TakeStartedFromCommandLine() {
  const bool was = m_startedFromCommandLine != 0;
  m_startedFromCommandLine = 0;
  return was;
}
