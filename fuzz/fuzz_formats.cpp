// The file format read as the command-line tool reads it: the header rows, every record of every index
// tree with each property's name and value, the trees walked and queried, each message's text chain.
// Which part runs is chosen by the target's name (one source, several targets).
#include <cstddef>
#include <cstdint>

#include "dbx/header.h"
#include "dbx/header_rows.h"
#include "dbx/index_cursor.h"
#include "dbx/index_insert.h"
#include "dbx/index_walk.h"
#include "dbx/message_text.h"
#include "dbx/property_names.h"
#include "dbx/property_value_text.h"
#include "dbx/record.h"
#include "dbx/tree_check.h"
#include "export/line_ends.h"
#include "fuzz_input.h"

using namespace vendrel;

namespace {

[[maybe_unused]] void Records(const DbStore& store) {
  for (int k = 0; k < dbx::kIndexSlotCount; ++k) {
    dbx::WalkIndexTree(store, store.ReadU32(dbx::RootSlot(k)).value_or(0),
                       [&](const dbx::IndexNode&, unsigned, uint32_t ra) {
                         const unsigned count = dbx::PropertyCount(store, ra);
                         const uint32_t dataArea = dbx::DataAreaRa(store, ra);
                         for (unsigned i = 0; i < count; ++i) {
                           if (const auto entry = dbx::PropertyAt(store, ra, i)) {
                             dbx::PropertyName(store, *entry);
                             dbx::PropertyValueText(store, *entry, dataArea);
                           }
                         }
                         dbx::GetDisplayName(store, ra);
                         return false;
                       });
  }
}

[[maybe_unused]] void Trees(const DbStore& store) {
  for (int k = 0; k < dbx::kIndexSlotCount; ++k) {
    const uint32_t root = store.ReadU32(dbx::RootSlot(k)).value_or(0);
    for (const uint8_t mode :
         {dbx::IndexCursor::MatchAll, dbx::IndexCursor::MatchParentId, dbx::IndexCursor::MatchId}) {
      dbx::IndexCursor cursor(root, mode, 1);
      cursor.Next(store);
      cursor.Rest(store);
    }
    dbx::FindLastNode(store, root);
    dbx::FindInsertPosition(store, root, 1, "Fuzz");
  }
  dbx::TreeSurvey survey;
  dbx::SurveyTrees(store, 3, survey);
}

[[maybe_unused]] void Texts(const DbStore& store) {
  dbx::WalkIndexTree(
      store, store.ReadU32(dbx::RootSlot(0)).value_or(0), [&](const dbx::IndexNode&, unsigned, uint32_t ra) {
        std::string out;
        StringSink sink(out);
        CrLfNormalizer lineEnds;
        dbx::ReadMessageText(store, dbx::GetTextOffset(store, ra),
                             [&](std::span<const uint8_t> text) { lineEnds.Feed(text, sink); });
        lineEnds.Finish(sink);
        return false;
      });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > fuzz::kMaxInput) return -1;
  const std::string path = fuzz::WriteInput(data, size);
  DbStore store;
  if (!store.Open(path)) return 0;
#if defined(VENDREL_FUZZ_HEADER)
  dbx::HeaderRows(store);
#elif defined(VENDREL_FUZZ_RECORDS)
  Records(store);
#elif defined(VENDREL_FUZZ_TREES)
  Trees(store);
#elif defined(VENDREL_FUZZ_TEXT)
  Texts(store);
#endif
  return 0;
}
