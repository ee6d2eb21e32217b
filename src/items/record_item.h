#pragma once

#include "items/explorer_item.h"

namespace vendrel {

struct MessageText;

// A folder record of Folders.dbx or a message record of a message database. A folder expands to its
// message database and its subfolders (looked up in the tree at subfolderTreeRoot, 0 for none); a
// message expands to the first block of its text.
class RecordItem : public DbItem {
 public:
  RecordItem(ExplorerItem* parent, uint32_t recordRa, uint32_t subfolderTreeRoot);

  // Fails when the record does not validate. With show, sets image and caption "%08X %s" (ID and
  // display name) and inserts or updates the tree node.
  bool LoadRecord(const DbStore& store, bool show, bool update);

  bool Expand() override;
  bool Explore() override;
  bool GetDisplayInfo(DisplayInfo& info) override;
  bool IsCommandEnabled(int command) override;
  bool Refresh() override;
  bool CreateFolder(const std::string* name) override;
  bool Preview(const std::string& directory) override;
  bool Save() override;
  bool SaveAs() override;
  bool SaveDefault(const std::string& directory, bool showMessages) override;

  // SaveDefault in a session the caller has open.
  bool SaveDefaultIn(const DbStore& store, const std::string& directory, bool showMessages);
  // Writes the message into a directory that exists, named as a save names it, and shows the file's path.
  bool ExportTo(const DbStore& store, const std::string& directory);
  // Writes the message to path; what failed goes to failure.
  bool WriteTo(const DbStore& store, const std::string& path);

  const uint32_t subfolderTreeRoot;

 protected:
  ~RecordItem() override = default;
};

// Adds a child record item, shown, for every folder of the tree at treeRoot whose parent is parentId
// (0xFFFFFFFF: the folders without a parent), with that tree for their own subfolders.
void AddFolderRecords(ExplorerItem& parent, const DbStore& store, uint32_t treeRoot, uint32_t parentId);

// The image of a record by its properties: the folder strip by type, protocol and flags for a folder,
// the message strip by flags for a message.
int RecordImage(const DbStore& store, uint32_t recordRa);

}  // namespace vendrel
