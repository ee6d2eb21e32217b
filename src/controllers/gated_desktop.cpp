#include "controllers/gated_desktop.h"

namespace vendrel {

void GatedDesktop::ShowMessage(std::string_view text, std::string_view caption) {
  CommandGate::ModalLoop loop(gate_);
  inner_.ShowMessage(text, caption);
}

std::optional<std::string> GatedDesktop::BrowseForFolder() {
  CommandGate::ModalLoop loop(gate_);
  return inner_.BrowseForFolder();
}

std::optional<size_t> GatedDesktop::AskChoice(std::string_view caption, std::string_view question,
                                             const std::vector<std::string>& choices) {
  CommandGate::ModalLoop loop(gate_);
  return inner_.AskChoice(caption, question, choices);
}

std::optional<std::string> GatedDesktop::AskOpenFileName(const std::string& startFolder) {
  CommandGate::ModalLoop loop(gate_);
  return inner_.AskOpenFileName(startFolder);
}

std::optional<std::string> GatedDesktop::AskSaveFileName(const std::string& proposedName) {
  CommandGate::ModalLoop loop(gate_);
  return inner_.AskSaveFileName(proposedName);
}

std::optional<std::string> GatedDesktop::AskFolderName(
    const std::string& parentName, const std::function<bool(const std::string&)>& accept) {
  CommandGate::ModalLoop loop(gate_);
  return inner_.AskFolderName(parentName, accept);
}

bool GatedDesktop::ReportProgress(uint64_t done, uint64_t total) {
  if (gate_.StopRequested()) return false;
  {
    CommandGate::ModalLoop loop(gate_);
    if (!inner_.ReportProgress(done, total)) return false;
  }
  return !gate_.StopRequested();
}

}  // namespace vendrel
