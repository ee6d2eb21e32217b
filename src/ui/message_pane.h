// The reading pane: the message the active window's selected node belongs to, decoded (its header fields,
// its text, the HTML as rich text with nothing fetched from the network, its attachments, each savable),
// or its source as stored.
#pragma once

#include <QWidget>
#include <optional>
#include <string>

#include "mail/decoded_message.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTextBrowser;

namespace vendrel::ui {

class MessagePane : public QWidget {
 public:
  explicit MessagePane(QWidget* parent = nullptr);

  // Shows source decoded; none clears the pane.
  void Show(const std::optional<std::string>& source);

  QLabel* headers() const { return headers_; }
  QTextBrowser* body() const { return body_; }
  QListWidget* attachments() const { return attachments_; }
  QCheckBox* sourceToggle() const { return source_toggle_; }
  QPushButton* saveButton() const { return save_; }
  QPushButton* openButton() const { return open_; }

 private:
  void Render();
  void SaveSelectedAttachment();
  // A forwarded message, read as a message in a window of its own.
  void OpenSelectedMessage();
  bool SelectedIsMessage() const;

  std::optional<std::string> source_;
  std::optional<mail::DecodedMessage> message_;
  QLabel* headers_;
  QTextBrowser* body_;
  QListWidget* attachments_;
  QCheckBox* source_toggle_;
  QPushButton* save_;
  QPushButton* open_;
};

}  // namespace vendrel::ui
