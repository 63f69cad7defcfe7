// Form1's side of a copy run.  Progress is kept for every entry but drawn
// only a few times a second: drawing costs far more than a small file's copy.
#include "window/form1_copy_window.h"

#include <QMessageBox>

#include "scan/file_list.h"
#include "window/form1.h"

namespace tolvane::window {
namespace {

constexpr qint64 repaint_interval_ms = 100;

}  // namespace

Form1CopyWindow::Form1CopyWindow(Form1& form) : form_(form) { since_repaint_.start(); }

std::size_t Form1CopyWindow::entry_count() { return form_.file_list().size(); }

std::string Form1CopyWindow::source_path(std::size_t index) {
  return std::string(form_.file_list().path(index));
}

std::string Form1CopyWindow::folder_tag(std::size_t index) {
  return std::string(form_.file_list().tag(index));
}

bool Form1CopyWindow::flat_mode() { return form_.flat_mode(); }

std::string Form1CopyWindow::extension_text() { return form_.extension_text(); }

float Form1CopyWindow::progress_max() { return form_.progress_max(); }

void Form1CopyWindow::set_progress(int value, std::string_view label6_caption) {
  form_.set_progress_value_quietly(static_cast<float>(value));
  // Kept as it comes; turned into a QString only when it is drawn.
  progress_line_.assign(label6_caption);
  progress_shown_ = false;
  if (since_repaint_.elapsed() >= repaint_interval_ms) repaint_progress();
}

void Form1CopyWindow::repaint_progress() {
  if (!progress_shown_) {
    form_.show_progress_now(QString::fromUtf8(progress_line_.data(),
                                              static_cast<qsizetype>(progress_line_.size())));
    progress_shown_ = true;
  }
  since_repaint_.restart();
}

void Form1CopyWindow::show_report(std::string_view text, bool warning) {
  // The display ends in the run's exact last state before the message.
  repaint_progress();
  QMessageBox box(warning ? QMessageBox::Warning : QMessageBox::NoIcon, QStringLiteral("Tolvane"),
                  QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                  QMessageBox::Ok, &form_);
  box.setObjectName(QStringLiteral("copy_report"));
  box.exec();
}

void Form1CopyWindow::end_copy_command() { form_.end_copy_command(); }

}  // namespace tolvane::window
