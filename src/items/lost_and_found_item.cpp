#include "items/lost_and_found_item.h"

#include "dbx/header.h"
#include "dbx/lost_and_found.h"
#include "dbx/message_text.h"
#include "export/export_path.h"
#include "export/message_saves.h"
#include "export/store_export.h"
#include "items/command_ids.h"
#include "items/image_indexes.h"
#include "items/record_item.h"
#include "platform/desktop.h"
#include "platform/format.h"
#include "platform/status_text.h"

namespace vendrel {

namespace {

// Saves messages as the salvage does, into "<folder> (recovered)" (or "(recovered, partial)") below
// directory; says what it saved, and why not where it did not.
bool SaveFound(DbItem& item, const DbStore& store, const MessageList& list, const std::string& directory,
               const char* suffix) {
  if (directory.empty() || !dbx::IsMessageDatabase(&store)) return false;
  DesktopWatcher watcher;
  const SaveCount count = SaveMessages(store, list, directory, watcher, FolderDirectoryName(store) + suffix);
  if (!count.problems.empty()) item.failure = count.problems.front();
  SetStatusText(Format("Saved %d msgs (%d total).Path: %s", count.saved,
                       static_cast<int>(list.records.size() + list.texts.size()), directory.c_str()));
  return count.problems.empty();
}

}  // namespace

LostAndFoundItem::LostAndFoundItem(ExplorerItem* parent) : DbItem(parent, kNoStructure) {
  image = kImageIndexTable;
}

bool LostAndFoundItem::Load(const DbStore& store, bool update) {
  const dbx::LostAndFound& lost = dbx::CachedLostAndFound(store);
  if (lost.records.empty() && lost.chains.empty() && lost.partialChains.empty()) return false;
  caption = "Lost and found";
  return InsertTreeNode(update) != kNoTreeNode;
}

bool LostAndFoundItem::Expand() {
  DeleteTreeChildren();
  DbStore store;
  if (!OpenStore(store)) return false;
  const dbx::LostAndFound& lost = dbx::CachedLostAndFound(store);
  for (const uint32_t record : lost.records) {
    ShowNewItem<RecordItem>([&](RecordItem& item) { return item.LoadRecord(store, true, false); }, this, record, 0);
  }
  for (const auto& [chains, partial] : {std::pair{&lost.chains, false}, {&lost.partialChains, true}}) {
    for (const uint32_t first : *chains) {
      ShowNewItem<FoundTextItem>([&](FoundTextItem& item) { return item.Load(store, false); }, this, first,
                                 partial);
    }
  }
  return true;
}

bool LostAndFoundItem::Explore() {
  ListChildren();
  DbStore store;
  if (!OpenStore(store)) return false;
  const dbx::LostAndFound& lost = dbx::CachedLostAndFound(store);
  ListView* list = FindListView();
  AppendFieldRow(list, "Records", "", Format("%d", static_cast<int>(lost.records.size())), "No tree reaches them");
  AppendFieldRow(list, "Texts", "", Format("%d", static_cast<int>(lost.chains.size())), "No record owns them");
  AppendFieldRow(list, "Texts cut short", "", Format("%d", static_cast<int>(lost.partialChains.size())),
                 "A block of theirs is not there, or they loop");
  AppendFieldRow(list, "Same text", "", Format("%d", lost.sameText), "Records whose text a reached one has");
  return true;
}

bool LostAndFoundItem::GetDisplayInfo(DisplayInfo& info) {
  DbStore store;
  if (!OpenStore(store)) return false;
  const dbx::LostAndFound& lost = dbx::CachedLostAndFound(store);
  const size_t texts = lost.chains.size() + lost.partialChains.size();
  return AnswerDisplayInfo(info, image,
                           {"Lost and found", "", Format("%d + %d", static_cast<int>(lost.records.size()),
                                                         static_cast<int>(texts)),
                            "Found by their own RAs: no tree reaches them"});
}

bool LostAndFoundItem::IsCommandEnabled(int command) {
  return command == kCmdSave || command == kCmdSaveDefault || command == kCmdRefresh;
}

bool LostAndFoundItem::Refresh() {
  DbStore store;
  return OpenStore(store) && Load(store, true);
}

bool LostAndFoundItem::Save() {
  const std::optional<std::string> directory = CurrentDesktop().BrowseForFolder();
  return directory && SaveDefault(*directory, true);
}

bool LostAndFoundItem::SaveDefault(const std::string& directory, bool) {
  DbStore store;
  if (!OpenStore(store)) return false;
  const dbx::LostAndFound lost = dbx::CachedLostAndFound(store);
  const bool whole = SaveFound(*this, store, MessageList{lost.records, lost.chains, 0, false}, directory,
                               kRecoveredSuffix);
  return (lost.partialChains.empty() ||
          SaveFound(*this, store, MessageList{{}, lost.partialChains, 0, false}, directory, kPartialSuffix)) &&
         whole;
}

FoundTextItem::FoundTextItem(ExplorerItem* parent, uint32_t firstBlockRa, bool partial)
    : SectionItem(parent, firstBlockRa), partial(partial) {}

bool FoundTextItem::Load(const DbStore& store, bool update) {
  if (!dbx::IsMessageDatabase(&store) || !dbx::TextBlockAt(store, ra)) return false;
  caption = Format("Text at %08X%s", ra, partial ? " (partial)" : "");
  return InsertTreeNode(update) != kNoTreeNode;
}

bool FoundTextItem::GetDisplayInfo(DisplayInfo& info) {
  DbStore store;
  if (!OpenStore(store)) return false;
  const std::optional<dbx::TextBlock> block = dbx::TextBlockAt(store, ra);
  if (!block) return false;
  return AnswerDisplayInfo(info, image,
                           {partial ? "Text (partial)" : "Text", Format("%08X", ra),
                            Format("%d byte(s)", static_cast<int>(block->used)), Format("%08X", block->allocated)});
}

bool FoundTextItem::IsCommandEnabled(int command) {
  return command == kCmdSave || command == kCmdSaveDefault || command == kCmdRefresh;
}

bool FoundTextItem::Refresh() {
  DbStore store;
  return OpenStore(store) && (Load(store, true) || NotValid("text block"));
}

bool FoundTextItem::Save() {
  const std::optional<std::string> directory = CurrentDesktop().BrowseForFolder();
  return directory && SaveDefault(*directory, true);
}

bool FoundTextItem::SaveDefault(const std::string& directory, bool) {
  DbStore store;
  return OpenStore(store) &&
         SaveFound(*this, store, MessageList{{}, {ra}, 0, false}, directory, partial ? kPartialSuffix : kRecoveredSuffix);
}

}  // namespace vendrel
