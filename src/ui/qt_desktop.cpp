#include "ui/qt_desktop.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QUrl>
#include <cstdio>

#include "ui/create_folder_dialog.h"

namespace vendrel::ui {

namespace {

QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A file dialog with the program's filters shown exactly as written: Qt reads the patterns from the last
// parenthesis of each filter and, with the details hidden, shows the rest.
std::optional<std::string> RunFileDialog(QFileDialog& dialog) {
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  // File names are bytes: encoded back as the file system has them.
  return QFile::encodeName(dialog.selectedFiles().front()).toStdString();
}

// The program that opens it may take the focus: it goes back to where it was. False when the desktop has
// no program for it.
bool OpenKeepingFocus(const QUrl& url) {
  const QPointer<QWidget> focus = QApplication::focusWidget();
  const bool opened = QDesktopServices::openUrl(url);
  if (focus != nullptr) focus->setFocus();
  return opened;
}

}  // namespace

QtDesktop::QtDesktop(QWidget* window, QLabel* statusLine, CommandGate& gate, std::function<void()> stop)
    : window_(window), statusLine_(statusLine), gate_(gate), stop_(std::move(stop)) {}

QtDesktop::~QtDesktop() {
  SetWaitCursor(false);
  delete progress_;
}

void QtDesktop::ShowMessage(std::string_view text, std::string_view caption) {
  QMessageBox box(QMessageBox::NoIcon, ToQString(caption), ToQString(text), QMessageBox::Ok, window_);
  // A box that interrupts a long wait shows the normal cursor.
  const bool wasWaiting = SetWaitCursor(false);
  box.exec();
  SetWaitCursor(wasWaiting);
}

bool QtDesktop::SetWaitCursor(bool shown) {
  const bool previous = waitCursor_;
  if (shown && !waitCursor_) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  if (!shown && waitCursor_) QGuiApplication::restoreOverrideCursor();
  waitCursor_ = shown;
  return previous;
}

void QtDesktop::ShowStatus(std::string_view text) {
  if (statusLine_ != nullptr) statusLine_->setText(ToQString(text));
}

void QtDesktop::Diagnostic(std::string_view text) {
  std::fprintf(stderr, "%.*s", static_cast<int>(text.size()), text.data());
}

std::optional<std::string> QtDesktop::BrowseForFolder() {
  QFileDialog dialog(window_, "Choose a directory");
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  return RunFileDialog(dialog);
}

std::optional<size_t> QtDesktop::AskChoice(std::string_view caption, std::string_view question,
                                          const std::vector<std::string>& choices) {
  QStringList items;
  for (const std::string& choice : choices) items << QString::fromStdString(choice);
  bool ok = false;
  const QString chosen = QInputDialog::getItem(window_, QString::fromUtf8(caption.data(), caption.size()),
                                               QString::fromUtf8(question.data(), question.size()), items, 0,
                                               false, &ok);
  const auto index = items.indexOf(chosen);
  if (!ok || index < 0) return std::nullopt;
  return static_cast<size_t>(index);
}

std::optional<std::string> QtDesktop::AskOpenFileName(const std::string& startFolder) {
  QFileDialog dialog(window_, "Open", QString::fromStdString(startFolder), kOpenFilters);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setDefaultSuffix("dbx");
  return RunFileDialog(dialog);
}

std::optional<std::string> QtDesktop::AskSaveFileName(const std::string& proposedName) {
  QFileDialog dialog(window_, "Save as", {}, kSaveFilters);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.selectFile(QString::fromStdString(proposedName));
  return RunFileDialog(dialog);
}

void QtDesktop::OpenWithShell(const std::string& path) {
  if (!OpenKeepingFocus(QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(path)))))
    ShowStatus("No program of this desktop opens " + path);
}

void QtDesktop::OpenUrl(const std::string& url) {
  if (!OpenKeepingFocus(QUrl(QString::fromStdString(url)))) ShowStatus("No program of this desktop opens " + url);
}

std::optional<std::string> QtDesktop::AskFolderName(const std::string& parentName,
                                                    const std::function<bool(const std::string&)>& accept) {
  CreateFolderDialog dialog(parentName, accept, window_);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.name();
}

bool QtDesktop::ReportProgress(uint64_t done, uint64_t total) {
  if (progress_ == nullptr) {
    progress_ = new QProgressDialog(progressLabel_, "Stop!", 0, 0, window_);
    progress_->setWindowTitle("Vendrel");
    progress_->setWindowModality(Qt::ApplicationModal);
    progress_->setMinimumDuration(500);
    progress_->setAutoReset(false);
    progress_->setAutoClose(false);
    QObject::connect(progress_, &QProgressDialog::canceled, progress_, [this] {
      if (stop_) stop_();
    });
    // However the job ends (done, stopped), its dialog goes with it.
    gate_.WhenIdle([this, dialog = QPointer<QProgressDialog>(progress_)] {
      if (dialog != nullptr && dialog == progress_) EndProgress();
    });
    if (progress_ == nullptr) return true;  // no operation runs: nothing to show progress for
  }
  // Qt counts in int: scale what does not fit.
  const uint64_t scale = total > 1000000 ? total / 1000000 + 1 : 1;
  progress_->setMaximum(static_cast<int>(total / scale));
  progress_->setValue(static_cast<int>(done / scale));
  QCoreApplication::processEvents();
  return progress_ != nullptr && !progress_->wasCanceled();
}

void QtDesktop::EndProgress() {
  if (progress_ != nullptr) progress_->deleteLater();
  progress_ = nullptr;
  progressLabel_ = kSavingLabel;
}

void QtDesktop::SetClipboardText(const std::string& text) {
  QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

}  // namespace vendrel::ui
