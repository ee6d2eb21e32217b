#include "items/db_root_item.h"

#include "dbx/header.h"
#include "dbx/header_rows.h"
#include "export/export_path.h"
#include "items/command_ids.h"
#include "items/folder_creation.h"
#include "items/lost_and_found_item.h"
#include "items/image_indexes.h"
#include "items/index_node_item.h"
#include "items/index_table_item.h"
#include "items/record_item.h"
#include "platform/code_page.h"
#include "platform/desktop.h"
#include "platform/format.h"
#include "platform/status_text.h"

namespace vendrel {

namespace {

constexpr uint32_t kNoParent = 0xFFFFFFFF;
constexpr int kSubscribedSlot = 2;

}  // namespace

bool DbRootItem::AttachDatabase(const std::string& databasePath, TreeView* tree, ListView* list, bool show,
                                bool update) {
  path = databasePath;
  treeView = tree;
  listView = list;
  DbStore store;
  if (!OpenStore(store)) return false;
  if (!show) return true;
  if (dbx::IsMessageDatabase(&store)) {
    caption = Format("Messages DB %s", path.c_str());
  } else if (dbx::IsFolderDatabase(&store)) {
    caption = Format("Folders DB %s", path.c_str());
  } else {
    failure = path + ": neither a Folders nor a Messages database";
    return false;
  }
  // Without a node nothing holds the item: the creator must release it.
  return InsertTreeNode(update) != kNoTreeNode;
}

bool DbRootItem::Expand() {
  DeleteTreeChildren();
  DbStore store;
  if (!OpenStore(store)) return false;
  auto addTableItem = [&](uint32_t offset) {
    ShowNewItem<IndexTableItem>([&](IndexTableItem& item) { return item.LoadSlot(store, true, false); }, this,
                                offset);
  };
  addTableItem(kIndexHeapDescriptor);
  for (int k = 0; k < dbx::kIndexSlotCount; ++k) {
    addTableItem(dbx::RootSlot(k));
    if (k != kSubscribedSlot || !dbx::IsFolderDatabase(&store)) continue;
    // The top-level folders, between slot 2 and slot 3.
    const uint32_t root = dbx::TreeRoot(store, kSubscribedSlot);
    if (root != 0) AddFolderRecords(*this, store, root, kNoParent);
  }
  // Last, what the trees do not reach, where there is any.
  ShowNewItem<LostAndFoundItem>([&](LostAndFoundItem& item) { return item.Load(store, false); }, this);
  return true;
}

bool DbRootItem::Explore() {
  ListChildren();
  DbStore store;
  ListView* list = FindListView();
  if (!OpenStore(store) || list == nullptr) return false;
  for (const dbx::FieldRow& row : dbx::HeaderRows(store)) {
    AppendFieldRow(list, row.name, row.ra, row.value, row.description);
  }
  return true;
}

bool DbRootItem::GetDisplayInfo(DisplayInfo& info) {
  DbStore store;
  if (!OpenStore(store)) return false;
  if (dbx::IsFolderDatabase(&store)) return true;
  if (!dbx::IsMessageDatabase(&store)) return false;
  const CodePage& codePage = LegacyCodePage();
  const std::string name =
      codePage.ToUtf8(dbx::HeaderTextBytes(store, dbx::kFolderNameField, dbx::kFolderIdField));
  const std::string type = codePage.ToUtf8(dbx::HeaderTextBytes(store, dbx::kTypeNameField, dbx::kTypeField));
  return AnswerDisplayInfo(info, image,
                           {Format("%s (%s)", name.c_str(), type.c_str()), Format("%08X", ra),
                            dbx::PrototypeAndTypeText(store), path});
}

bool DbRootItem::IsCommandEnabled(int command) {
  DbStore store;
  if (!OpenStore(store)) return false;
  if (dbx::IsMessageDatabase(&store)) {
    return command == kCmdSave || command == kCmdSaveDefault || command == kCmdRefresh ||
           command == kCmdNewFolder || command == kCmdNewMessage;
  }
  // A new top-level folder goes below the store's own top folder record, not below the file.
  if (dbx::IsFolderDatabase(&store)) return command == kCmdRefresh;
  return false;
}

bool DbRootItem::Refresh() {
  return AttachDatabase(path, FindTreeView(), FindListView(), true, true);
}

SaveCount DbRootItem::SaveAll(const std::string& directory) {
  MakeDirectory(directory);
  SaveCount count;
  DbStore store;
  if (!OpenStore(store) || !dbx::IsMessageDatabase(&store)) return count;
  const uint32_t root = dbx::TreeRoot(store, 0);
  const uint32_t total = dbx::TreeCount(store, 0);
  count.valid = true;
  if (root != 0) {
    const auto node = MakeItem<IndexNodeItem>(this, root);
    if (node->LoadNode(store, false, false, false)) {
      count = node->SaveRecords(store, directory, true);
      failure = node->failure;
    } else {  // the tree is there but its root is not: nothing could be read
      count.valid = node->NotValid("index node");
      failure = node->failure;
    }
  }
  SetStatusText(Format("Saved %d msgs (%d total).Path: %s", count.saved, total, directory.c_str()));
  return count;
}

bool DbRootItem::SaveDefault(const std::string& directory, bool) {
  return SaveAll(directory).valid;
}

bool DbRootItem::Save() {
  const std::optional<std::string> directory = CurrentDesktop().BrowseForFolder();
  return directory && !directory->empty() && SaveDefault(*directory, true);
}

bool DbRootItem::CreateFolder(const std::string* name) {
  return CreateFolderBelow(*this, name);
}

}  // namespace vendrel
