#include "platform/desktop.h"

#include <cstdio>
#include <utility>

namespace vendrel {

void HeadlessDesktop::ShowMessage(std::string_view text, std::string_view caption) {
  messages_.push_back({std::string(caption), std::string(text)});
  if (echo_) {
    std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(caption.size()), caption.data(),
                 static_cast<int>(text.size()), text.data());
  }
}

bool HeadlessDesktop::SetWaitCursor(bool shown) {
  const bool previous = waitCursor_;
  waitCursor_ = shown;
  return previous;
}

void HeadlessDesktop::ShowStatus(std::string_view text) {
  statusLines_.emplace_back(text);
  if (echo_) std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
}

void HeadlessDesktop::Diagnostic(std::string_view text) {
  diagnostics_.emplace_back(text);
  if (echo_) std::fprintf(stderr, "%.*s", static_cast<int>(text.size()), text.data());
}

namespace {

template <typename Answer>
Answer TakeAnswer(std::deque<Answer>& answers) {
  if (answers.empty()) return Answer{};
  Answer answer = std::move(answers.front());
  answers.pop_front();
  return answer;
}

}  // namespace

std::optional<std::string> HeadlessDesktop::BrowseForFolder() {
  return TakeAnswer(folderAnswers_);
}

std::optional<size_t> HeadlessDesktop::AskChoice(std::string_view, std::string_view,
                                                const std::vector<std::string>& choices) {
  const std::optional<size_t> answer = TakeAnswer(choiceAnswers_);
  return answer && *answer < choices.size() ? answer : std::nullopt;
}

std::optional<std::string> HeadlessDesktop::AskOpenFileName(const std::string& startFolder) {
  openDialogFolders_.push_back(startFolder);
  return TakeAnswer(openAnswers_);
}

std::optional<std::string> HeadlessDesktop::AskSaveFileName(const std::string& proposedName) {
  proposedSaveNames_.push_back(proposedName);
  return TakeAnswer(saveAnswers_);
}

std::optional<std::string> HeadlessDesktop::AskFolderName(
    const std::string& parentName, const std::function<bool(const std::string&)>& accept) {
  folderDialogParents_.push_back(parentName);
  while (!folderNameAnswers_.empty()) {
    const std::string name = TakeAnswer(folderNameAnswers_);
    if (!name.empty() && accept(name)) return name;
  }
  return std::nullopt;
}

bool HeadlessDesktop::ReportProgress(uint64_t done, uint64_t total) {
  progress_.emplace_back(done, total);
  if (onProgress_) onProgress_(done);
  return done < stopAfter_;
}

namespace {

HeadlessDesktop& BuiltInDesktop() {
  static HeadlessDesktop desktop;
  return desktop;
}

Desktop* installed = nullptr;

}  // namespace

Desktop& CurrentDesktop() {
  return installed != nullptr ? *installed : BuiltInDesktop();
}

InstalledDesktop::InstalledDesktop(Desktop& desktop) : previous_(std::exchange(installed, &desktop)) {}

InstalledDesktop::~InstalledDesktop() {
  installed = previous_;
}

}  // namespace vendrel
