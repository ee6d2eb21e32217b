// What a callback row shows: its item's answers for the four columns and the image, asked together.
#pragma once

#include <array>
#include <string>

namespace vendrel {

class ExplorerItem;

inline constexpr int kListColumns = 4;  // "Name", "RA", "Value", "Decsription"
using ColumnTexts = std::array<std::string, kListColumns>;

inline constexpr const char* kBusyRowText = "(busy)";

struct RowAnswer {
  enum class Outcome { Answered, Failed, Busy };

  Outcome outcome = Outcome::Failed;
  ColumnTexts texts;
  int image = -1;
};

// Asks the item for its row inside one quiet session on its database: the list asks while it paints,
// where no message box may appear and no lock may be waited for. A file locked by another program answers
// Busy at once and the row reads "(busy)"; a failure leaves the texts empty. Either puts the explorer's
// "Failed to explore" status line up.
RowAnswer AnswerRow(ExplorerItem& item);

}  // namespace vendrel
