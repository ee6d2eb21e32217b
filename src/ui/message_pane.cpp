#include "ui/message_pane.h"

#include <QCheckBox>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <cstring>

#include "export/output_directory.h"
#include "platform/desktop.h"
#include "platform/status_text.h"

namespace vendrel::ui {

namespace {

QString Utf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

MessagePane::MessagePane(QWidget* parent)
    : QWidget(parent),
      headers_(new QLabel(this)),
      body_(new QTextBrowser(this)),
      attachments_(new QListWidget(this)),
      source_toggle_(new QCheckBox("Source", this)),
      save_(new QPushButton("Save attachment...", this)),
      open_(new QPushButton("Open message", this)) {
  headers_->setTextFormat(Qt::RichText);
  headers_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  headers_->setWordWrap(true);
  // Nothing leaves the machine: links are not followed, and a remote image is not fetched (a text
  // browser loads only local resources).
  body_->setOpenLinks(false);
  attachments_->setMaximumHeight(80);
  auto* bar = new QHBoxLayout;
  bar->addWidget(headers_, 1);
  bar->addWidget(source_toggle_, 0, Qt::AlignTop);
  auto* files = new QHBoxLayout;
  files->addWidget(attachments_, 1);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(save_);
  buttons->addWidget(open_);
  buttons->addStretch();
  files->addLayout(buttons);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(bar);
  layout->addWidget(body_, 1);
  layout->addLayout(files);
  connect(source_toggle_, &QCheckBox::toggled, this, [this] { Render(); });
  connect(save_, &QPushButton::clicked, this, [this] { SaveSelectedAttachment(); });
  connect(open_, &QPushButton::clicked, this, [this] { OpenSelectedMessage(); });
  connect(attachments_, &QListWidget::currentRowChanged, this, [this] { open_->setEnabled(SelectedIsMessage()); });
  connect(attachments_, &QListWidget::itemDoubleClicked, this, [this] {
    if (SelectedIsMessage()) {
      OpenSelectedMessage();
    } else {
      SaveSelectedAttachment();
    }
  });
  Show(std::nullopt);
}

void MessagePane::Show(const std::optional<std::string>& source) {
  source_ = source;
  message_.reset();
  if (source_) message_.emplace(*source_);
  Render();
}

void MessagePane::Render() {
  attachments_->clear();
  if (!message_) {
    headers_->setText("No message is selected.");
    body_->clear();
  } else {
    QString shown;
    const auto field = [&](const char* name, const std::string& value) {
      if (!value.empty()) shown += QString("<b>%1:</b> %2<br>").arg(name, Utf8(value).toHtmlEscaped());
    };
    field("From", message_->from());
    field("To", message_->to());
    field("Cc", message_->cc());
    if (message_->date())
      field("Date", QDateTime::fromSecsSinceEpoch(*message_->date()).toString("yyyy-MM-dd HH:mm").toStdString());
    field("Subject", message_->subject());
    headers_->setText(shown);
    if (source_toggle_->isChecked()) {
      body_->setPlainText(QString::fromLatin1(source_->data(), static_cast<qsizetype>(source_->size())));
    } else if (message_->textFromHtml()) {
      body_->setHtml(Utf8(message_->html()));
    } else {
      body_->setPlainText(Utf8(message_->text()));
    }
    for (const mail::Attachment& attachment : message_->attachments())
      attachments_->addItem(QString("%1 (%2, %3 bytes)")
                                .arg(Utf8(attachment.name), Utf8(attachment.type))
                                .arg(attachment.size));
  }
  attachments_->setVisible(attachments_->count() > 0);
  save_->setVisible(attachments_->count() > 0);
  open_->setVisible(attachments_->count() > 0);
  open_->setEnabled(SelectedIsMessage());
  source_toggle_->setEnabled(message_.has_value());
}

bool MessagePane::SelectedIsMessage() const {
  const int index = attachments_->currentRow();
  return message_ && index >= 0 && message_->attachments()[static_cast<size_t>(index)].type == "message/rfc822";
}

void MessagePane::OpenSelectedMessage() {
  if (!SelectedIsMessage()) return;
  const std::optional<std::string> inner = message_->AttachmentContent(static_cast<size_t>(attachments_->currentRow()));
  if (!inner) {
    SetStatusText("The forwarded message cannot be decoded");
    return;
  }
  auto* window = new MessagePane(this->window());
  window->setWindowFlag(Qt::Window);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->Show(inner);
  window->setWindowTitle(window->message_->subject().empty() ? QString("Forwarded message")
                                                             : Utf8(window->message_->subject()));
  window->resize(720, 540);
  window->show();
}

void MessagePane::SaveSelectedAttachment() {
  const int index = attachments_->currentRow();
  if (!message_ || index < 0) return;
  const mail::Attachment& attachment = message_->attachments()[static_cast<size_t>(index)];
  const std::optional<std::string> path = CurrentDesktop().AskSaveFileName(mail::SafeAttachmentName(attachment.name));
  if (!path || path->empty()) return;
  // Written as a whole new file: one that is there is replaced only once the new one is complete.
  const QFileInfo where(QFile::decodeName(path->c_str()));
  const std::optional<OutputDirectory> directory =
      OutputDirectory::Open(QFile::encodeName(where.absolutePath()).toStdString(), false);
  NewFile file;
  const bool saved = directory && directory->Begin(file, QFile::encodeName(where.fileName()).toStdString()) &&
                     message_->WriteAttachment(static_cast<size_t>(index), file.fd()) && file.Commit();
  SetStatusText(saved ? "Saved " + *path : "Cannot save " + *path + ": " + std::strerror(errno));
}

}  // namespace vendrel::ui
