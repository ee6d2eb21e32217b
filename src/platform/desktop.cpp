#include "platform/desktop.h"

#include <cstdio>

namespace vendrel {

MessageAnswer HeadlessDesktop::ShowMessage(std::string_view text, std::string_view caption, MessageButtons) {
  messages_.push_back({std::string(caption), std::string(text)});
  if (echo_) {
    std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(caption.size()), caption.data(),
                 static_cast<int>(text.size()), text.data());
  }
  return answer_;
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

void SetCurrentDesktop(Desktop* desktop) {
  installed = desktop;
}

}  // namespace vendrel
