#include "items/control_views.h"
#include "platform/code_page.h"

namespace vendrel {

void DisplayInfo::SetText(std::string value) {
  // The capacity counts the terminator of the list's buffer.
  text = capacity == 0 ? std::string() : CutUtf8(std::move(value), capacity - 1);
}

}  // namespace vendrel
