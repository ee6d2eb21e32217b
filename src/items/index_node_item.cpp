#include "items/index_node_item.h"

#include "dbx/header.h"
#include "dbx/index_node.h"
#include "dbx/index_walk.h"
#include "export/export_path.h"
#include "export/message_file.h"
#include "export/message_order.h"
#include "export/text_read_ahead.h"
#include "items/command_ids.h"
#include "items/image_indexes.h"
#include "items/record_item.h"
#include "platform/desktop.h"
#include "platform/format.h"
#include "platform/status_text.h"

namespace vendrel {

IndexNodeItem::IndexNodeItem(ExplorerItem* parent, uint32_t nodeRa) : DbItem(parent, nodeRa) {
  image = kImageIndexNode;
}

bool IndexNodeItem::LoadNode(const DbStore& store, bool show, bool update, bool asLeftChild) {
  if (ra == 0 || !dbx::IsDbxFile(&store) || !dbx::IndexNode::At(store, ra)) return false;
  if (!show) return true;
  if (asLeftChild) image = kImageLeftChild;
  caption = Format("Index %08X", ra);
  // Without a node nothing holds the item: the creator must release it.
  return InsertTreeNode(update) != kNoTreeNode;
}

bool IndexNodeItem::Expand() {
  DeleteTreeChildren();
  DbStore store;
  if (!OpenStore(store)) return false;
  const std::optional<dbx::IndexNode> node = dbx::IndexNode::At(store, ra);
  if (!node) return NotValid("index node");
  if (node->leftChild() != 0) {
    ShowNewItem<IndexNodeItem>([&](IndexNodeItem& left) { return left.LoadNode(store, true, false, true); },
                               this, node->leftChild());
  }
  for (unsigned i = 0; i < node->entryCount(); ++i) {
    const dbx::IndexEntry entry = node->entry(i);
    if (entry.recordRa != 0) {
      // Records under an index node list no subfolders: those hang under the folder hierarchy.
      ShowNewItem<RecordItem>([&](RecordItem& record) { return record.LoadRecord(store, true, false); }, this,
                              entry.recordRa, 0);
    }
    if (entry.childRa != 0) {
      ShowNewItem<IndexNodeItem>(
          [&](IndexNodeItem& child) { return child.LoadNode(store, true, false, false); }, this,
          entry.childRa);
    }
  }
  return true;
}

bool IndexNodeItem::Explore() {
  ListChildren();
  DbStore store;
  if (!OpenStore(store)) return false;
  const std::optional<dbx::IndexNode> node = dbx::IndexNode::At(store, ra);
  ListView* list = FindListView();
  if (!node) return NotValid("index node");
  if (list == nullptr) return false;
  AppendFieldRow(list, "RA", "", Format("%08X", ra), "Relative address of this struct");
  AppendFieldRow(list, "dwDead?", "", Format("%08X", node->dead()), "");
  AppendFieldRow(list, "dwRA_Root", "", Format("%08X", node->leftChild()), "");
  AppendFieldRow(list, "dwRA_Prev", "", Format("%08X", node->parent()), "");
  AppendFieldRow(list, "bPosInPrevTable", "", Format("%02X", node->posInParent()), "");
  AppendFieldRow(list, "bEntryCount", "", Format("%02X", node->entryCount()), "");
  AppendFieldRow(list, "wUnk5", "", Format("%04X", node->unk5()), "");
  AppendFieldRow(list, "bEntryCountInNext", "", Format("%02X", node->entryCountInNext()), "");
  AppendFieldRow(list, "bUnk6", "", Format("%02X", node->unk6()), "");
  AppendFieldRow(list, "wUnk7", "", Format("%04X", node->unk7()), "");
  return true;
}

bool IndexNodeItem::GetDisplayInfo(DisplayInfo& info) {
  DbStore store;
  if (!OpenStore(store)) return false;
  const std::optional<dbx::IndexNode> node = dbx::IndexNode::At(store, ra);
  if (!node) return false;
  return AnswerDisplayInfo(info, image,
                           {"Index", Format("%08X", ra),
                            Format("%d + %d sub", node->leftChild() != 0 ? 1 : 0, node->entryCount()), ""});
}

bool IndexNodeItem::IsCommandEnabled(int command) {
  return command == kCmdSave || command == kCmdSaveDefault || command == kCmdRefresh;
}

bool IndexNodeItem::Refresh() {
  DbStore store;
  return OpenStore(store) && (LoadNode(store, true, true, false) || NotValid("index node"));
}

SaveCount IndexNodeItem::SaveRecords(const DbStore& store, const std::string& directory, bool recurse) {
  SaveCount count;
  const std::optional<dbx::IndexNode> node = dbx::IndexNode::At(store, ra);
  if (directory.empty() || !node) return count;
  const int entryCount = node->entryCount();  // read now: a save may move the mapping
  MakeDirectory(directory);
  // The desktop runs while the progress is shown: this item stays until the save ends.
  const ItemRef<IndexNodeItem> self = ItemRef<IndexNodeItem>::Share(this);
  DesktopWatcher watcher;
  count = SaveMessages(store, MessagesOf(store, ra, recurse), directory, watcher);
  count.valid = true;
  if (!count.problems.empty()) failure = count.problems.front();
  SetStatusText(Format("Saved %d msgs (%d total).Path: %s", count.saved, entryCount, directory.c_str()));
  return count;
}

int IndexNodeItem::SaveSubtree(const DbStore& store, const std::string& directory, bool recurse) {
  const SaveCount count = SaveRecords(store, directory, recurse);
  return count.valid ? count.saved : -1;
}

bool IndexNodeItem::SaveDefault(const std::string& directory, bool) {
  MakeDirectory(directory);
  DbStore store;
  if (!OpenStore(store) || !dbx::IsMessageDatabase(&store)) return false;
  return SaveSubtree(store, directory, false) != -1;
}

bool IndexNodeItem::Save() {
  const std::optional<std::string> directory = CurrentDesktop().BrowseForFolder();
  return directory && !directory->empty() && SaveDefault(*directory, true);
}

}  // namespace vendrel
