#include "cli/console_window.h"

#include <unistd.h>

ConsoleWindow::ConsoleWindow(Clock& clock, bool quiet)
    : clock_(clock), terminal_(isatty(STDERR_FILENO)), quiet_(quiet), start_(clock.Milliseconds()) {}

void ConsoleWindow::SetStatusText(const std::string& text) {
  if (text == status_) return;
  status_ = text;
  if (quiet_) return;
  if (terminal_) {
    Redraw();
  } else {
    std::fprintf(stderr, "%s\n", text.c_str());
  }
}

void ConsoleWindow::RepaintNow() {
  if (terminal_ && !quiet_) Redraw();
}

void ConsoleWindow::SetProgressBar(int percent) {
  if (percent == percent_) return;
  percent_ = percent;
  if (terminal_ && !quiet_) Redraw();
}

void ConsoleWindow::ShowMessageBox(const std::string& text, bool) {
  if (lineOpen_) std::fputc('\n', stderr);
  lineOpen_ = false;
  std::fputs(text.c_str(), stdout);
  if (text.empty() || text.back() != '\n') std::fputc('\n', stdout);
  std::fflush(stdout);
}

void ConsoleWindow::Redraw() {
  constexpr int kWidth = 30;
  const int filled = percent_ * kWidth / 100;
  const double seconds = (clock_.Milliseconds() - start_) / 1000.0;
  std::string text = status_;
  if (text.size() > 40) text = text.substr(0, 37) + "...";
  std::fprintf(stderr, "\r[%s%s] %3d%% %6.1fs %-40s", std::string(filled, '#').c_str(),
               std::string(kWidth - filled, '.').c_str(), percent_, seconds, text.c_str());
  std::fflush(stderr);
  lineOpen_ = true;
}

void ConsoleWindow::Finish() {
  if (lineOpen_) std::fputc('\n', stderr);
  lineOpen_ = false;
  std::printf("%s\n", status_.c_str());
  std::fflush(stdout);
}
