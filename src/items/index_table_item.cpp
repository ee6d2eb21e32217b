#include "items/index_table_item.h"

#include "dbx/header.h"
#include "items/command_ids.h"
#include "items/image_indexes.h"
#include "items/index_node_item.h"
#include "platform/format.h"

namespace vendrel {

namespace {

bool IsHeap(uint32_t offset) {
  return offset == kIndexHeapDescriptor;
}

// What the slot holds, by kind of database.
const char* SlotName(bool folderDatabase, uint32_t offset) {
  if (IsHeap(offset)) return "Indexes heap";
  if (offset == dbx::RootSlot(0)) return "All indexes by ID";
  if (folderDatabase && offset == dbx::RootSlot(1)) return "All indexes by ParentID";
  if (folderDatabase && offset == dbx::RootSlot(2)) return "Subscribed indexes by ParentID";
  if (!folderDatabase && offset == dbx::RootSlot(1)) return "Watched";
  return "Unknown or error";
}

int SlotImage(bool folderDatabase, uint32_t offset) {
  if (IsHeap(offset)) return kImageIndexHeap;
  const uint32_t marked = folderDatabase ? dbx::RootSlot(2) : dbx::RootSlot(1);
  return offset == marked ? kImageSubscribedIndex : kImageIndexTable;
}

}  // namespace

IndexTableItem::IndexTableItem(ExplorerItem* parent, uint32_t offset) : DbItem(parent, offset) {
  image = kImageIndexTable;
}

bool IndexTableItem::LoadSlot(const DbStore& store, bool show, bool update) {
  if (ra == 0 || !dbx::IsDbxFile(&store) || store.ReadU32(ra).value_or(0) == 0) return false;
  if (!show) return true;
  const bool folderDatabase = !dbx::IsMessageDatabase(&store);
  caption = Format("%08X %s", ra, SlotName(folderDatabase, ra));
  image = SlotImage(folderDatabase, ra);
  // Without a node nothing holds the item: the creator must release it.
  return InsertTreeNode(update) != kNoTreeNode;
}

bool IndexTableItem::Expand() {
  DeleteTreeChildren();
  DbStore store;
  if (!OpenStore(store)) return false;
  const uint32_t nodeRa = store.ReadU32(ra).value_or(0);
  if (nodeRa != 0 &&
      !ShowNewItem<IndexNodeItem>(
          [&](IndexNodeItem& node) { return node.LoadNode(store, true, false, false); }, this, nodeRa)) {
    failure = IsHeap(ra)
                  ? Format("the heap's chunk at %08X starts with no index node", nodeRa)
                  : Format("the slot names %08X as the root of its tree, and that is no index node", nodeRa);
    return false;
  }
  return true;
}

bool IndexTableItem::Explore() {
  ListChildren();
  DbStore store;
  if (!OpenStore(store)) return false;
  ListView* list = FindListView();
  if (list == nullptr) return false;
  auto row = [&](uint32_t offset, const char* name, const char* description) {
    const std::optional<uint32_t> value = store.ReadU32(offset);
    return AppendFieldRow(list, name, Format("%08X", offset), value ? Format("%08X", *value) : "",
                          description);
  };
  if (IsHeap(ra)) {
    if (row(ra + 4, "size", "byte(s)") >= 0) row(ra + 8, "used", "byte(s)");
  } else {
    row(ra - 0x20, "Total Count", "total elem count");
  }
  return true;
}

bool IndexTableItem::GetDisplayInfo(DisplayInfo& info) {
  DbStore store;
  if (!OpenStore(store)) return false;
  const std::string name = SlotName(!dbx::IsMessageDatabase(&store), ra);
  if (IsHeap(ra)) return AnswerDisplayInfo(info, image, {name, Format("%08X", ra), "", ""});
  return AnswerDisplayInfo(info, image, {name, Format("%08X", ra), dbx::PrototypeAndTypeText(store), " "});
}

bool IndexTableItem::IsCommandEnabled(int command) {
  return command == kCmdSave || command == kCmdSaveDefault || command == kCmdRefresh;
}

bool IndexTableItem::Refresh() {
  DbStore store;
  return OpenStore(store) && LoadSlot(store, true, true);
}

}  // namespace vendrel
