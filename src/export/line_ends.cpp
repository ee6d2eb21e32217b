#include "export/line_ends.h"

namespace vendrel {

void CrLfNormalizer::Feed(std::span<const uint8_t> piece, std::string& out) {
  out.reserve(out.size() + piece.size() + piece.size() / 16 + 2);
  for (const uint8_t byte : piece) {
    if (byte == '\n') {
      out += "\r\n";
      pendingCr_ = false;
      continue;
    }
    if (pendingCr_) out += "\r\n";  // the CR before this byte stood alone
    pendingCr_ = byte == '\r';
    if (!pendingCr_) out += static_cast<char>(byte);
  }
}

void CrLfNormalizer::Finish(std::string& out) {
  if (pendingCr_) out += "\r\n";
  pendingCr_ = false;
}

}  // namespace vendrel
