#include "items/row_answer.h"

#include "items/explorer_item.h"
#include "platform/status_text.h"
#include "store/quiet_sessions.h"

namespace vendrel {

RowAnswer AnswerRow(ExplorerItem& item) {
  RowAnswer answer;
  QuietSessions quiet;
  // The item's own sessions nest in this one: one lock and one mapping for the whole row.
  DbStore session;
  if (auto* dbItem = dynamic_cast<DbItem*>(&item)) dbItem->OpenStore(session);
  // One question for the whole row; an item that answers column by column only is asked so.
  DisplayInfo whole;
  whole.column = DisplayInfo::kAllColumns;
  whole.mask = DisplayInfo::kText | DisplayInfo::kImage;
  bool answered = item.GetDisplayInfo(whole);
  if (answered && whole.allAnswered) {
    answer.texts = std::move(whole.columns);
    answer.image = whole.image;
  }
  for (int column = 0; answered && !whole.allAnswered && column < kListColumns; ++column) {
    DisplayInfo info;
    info.column = column;
    info.mask = column == 0 ? DisplayInfo::kText | DisplayInfo::kImage : DisplayInfo::kText;
    answered = item.GetDisplayInfo(info);
    answer.texts[static_cast<size_t>(column)] = std::move(info.text);
    if (column == 0 && info.image >= 0) answer.image = info.image;
  }
  if (answered) {
    answer.outcome = RowAnswer::Outcome::Answered;
    return answer;
  }
  answer = RowAnswer{};
  if (quiet.busy()) {
    answer.outcome = RowAnswer::Outcome::Busy;
    answer.texts[0] = kBusyRowText;
  }
  SetStatusText(kFailedToExplore);
  return answer;
}

}  // namespace vendrel
