#include "platform/status_text.h"

#include "platform/desktop.h"

namespace vendrel {

namespace {

bool statusLineRegistered = false;

}  // namespace

void ShowWelcome() {
  statusLineRegistered = true;
  SetStatusText(kWelcome);
}

void SetStatusLineRegistered(bool registered) {
  statusLineRegistered = registered;
}

void SetStatusText(const std::string& text) {
  if (statusLineRegistered) CurrentDesktop().ShowStatus(text);
}

}  // namespace vendrel
