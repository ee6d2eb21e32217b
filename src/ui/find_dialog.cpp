#include "ui/find_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QVBoxLayout>
#include <set>

#include "export/export_watcher.h"
#include "mail/message_finder.h"
#include "platform/desktop.h"
#include "platform/format.h"

namespace vendrel::ui {

namespace {

constexpr const char* kLabels[] = {"From:", "To or Cc:", "Subject:", "Text:", "Date from:", "Date before:"};

}  // namespace

FindDialog::FindDialog(CommandGate& gate, OpenPaths openPaths, GoTo goTo, QWidget* parent)
    : QDialog(parent),
      gate_(gate),
      openPaths_(std::move(openPaths)),
      goTo_(std::move(goTo)),
      outcome_(new QLabel(this)) {
  setWindowTitle("Find messages");
  auto* form = new QFormLayout;
  for (int i = 0; i < FieldCount; ++i) {
    fields_[i] = new QLineEdit(this);
    fields_[i]->setClearButtonEnabled(true);
    form->addRow(kLabels[i], fields_[i]);
  }
  fields_[After]->setPlaceholderText("YYYY-MM-DD");
  fields_[Before]->setPlaceholderText("YYYY-MM-DD");
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* find = buttons->addButton("Find", QDialogButtonBox::AcceptRole);
  find->setDefault(true);
  buttons->addButton(QDialogButtonBox::Close);
  connect(find, &QPushButton::clicked, this, [this] { Find(); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
  sorted_.setSourceModel(&found_);
  results_ = MakeMessageView(sorted_, this);
  connect(results_, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& row) { GoToResult(row); });
  results_->installEventFilter(this);
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  top->addLayout(form, 1);
  top->addWidget(buttons, 0, Qt::AlignTop);
  buttons->setOrientation(Qt::Vertical);
  layout->addLayout(top);
  layout->addWidget(results_, 1);
  layout->addWidget(outcome_);
  outcome_->setText("Searches every open database, and every database of an open Folders.dbx");
  resize(760, 520);
}

void FindDialog::Find() {
  mail::SearchCriteria criteria{fields_[From]->text().toStdString(), fields_[To]->text().toStdString(),
                                fields_[Subject]->text().toStdString(), fields_[Text]->text().toStdString()};
  for (const Field field : {After, Before}) {
    const std::string day = fields_[field]->text().trimmed().toStdString();
    if (day.empty()) continue;
    const std::optional<int64_t> seconds = mail::ParseDay(day);
    if (!seconds) {
      outcome_->setText(QString("\"%1\" is no date: dates are written YYYY-MM-DD").arg(QString::fromStdString(day)));
      fields_[field]->setFocus();
      return;
    }
    (field == After ? criteria.after : criteria.before) = seconds;
  }
  const auto operation = gate_.Begin();
  if (!operation) {
    outcome_->setText("Another job is waiting in its dialog: search once it has ended");
    return;
  }
  std::vector<mail::SearchTarget> targets;
  std::vector<std::string> problems;
  std::set<std::string> listed;
  for (const std::string& path : openPaths_()) {
    std::string failure;
    for (mail::SearchTarget& target : mail::SearchTargetsOf(path, failure)) {
      if (listed.insert(target.database).second) targets.push_back(std::move(target));
    }
    if (!failure.empty()) problems.push_back(failure);
  }
  CurrentDesktop().NameNextProgress("Searching messages...");
  DesktopWatcher watcher;
  mail::SearchOutcome outcome = mail::FindMessages(targets, criteria, mail::SessionCatalogs(), watcher);
  problems.insert(problems.end(), outcome.problems.begin(), outcome.problems.end());
  std::vector<ListedMessage> rows;
  rows.reserve(outcome.found.size());
  for (mail::FoundMessage& found : outcome.found) {
    const mail::SearchTarget& target = targets[found.target];
    rows.push_back({QString::fromStdString(target.folder), target.database, std::move(found.entry)});
  }
  found_.SetMessages(std::move(rows));
  std::string said = Format("%d messages found in %zu databases", found_.rowCount(), targets.size());
  if (outcome.stopped) said += "; stopped before the end";
  if (!problems.empty()) said += Format("; %zu not searched: ", problems.size()) + problems.front();
  outcome_->setText(QString::fromStdString(said));
  if (found_.rowCount() > 0) results_->setFocus();
}

bool FindDialog::eventFilter(QObject* watched, QEvent* event) {
  // Enter on a result goes to it: it must not reach the dialog, whose Find button would search again.
  if (watched == results_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      GoToResult(results_->currentIndex());
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void FindDialog::GoToResult(const QModelIndex& row) {
  if (row.isValid()) goTo_(found_.message(sorted_.mapToSource(row).row()));
}

}  // namespace vendrel::ui
