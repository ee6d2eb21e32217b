#pragma once

#include <string>

#include "export/message_saves.h"
#include "items/explorer_item.h"
#include "items/image_indexes.h"

namespace vendrel {

// One database file as a whole: the top node of an explorer window, or the node below a folder record
// through which its message database opens. The only item that knows the path and the controls.
class DbRootItem : public DbItem {
 public:
  DbRootItem(ExplorerItem* parent, uint32_t ra) : DbItem(parent, ra) {
    image = kImageRoot;
    AnswerForDescendants();
  }

  // Takes the path and the controls. With show, captions the item "Messages DB %s" or "Folders DB %s"
  // and inserts (or updates) its node; fails for a file that is neither kind.
  bool AttachDatabase(const std::string& path, TreeView* tree, ListView* list, bool show, bool update);

  bool Expand() override;
  bool Explore() override;
  bool GetDisplayInfo(DisplayInfo& info) override;
  bool IsCommandEnabled(int command) override;
  bool Refresh() override;
  bool CreateFolder(const std::string* name) override;
  bool Save() override;
  bool SaveDefault(const std::string& directory, bool showMessages) override;
  // Saves every message of tree 0, in tree order, into directory/<folder name>.
  SaveCount SaveAll(const std::string& directory);
  // Forgets the controls, whose window is going: an item that outlives them must not reach them.
  void DetachControls() {
    treeView = nullptr;
    listView = nullptr;
  }
  ListView* GetListView() override { return listView; }
  TreeView* GetTreeView() override { return treeView; }
  const std::string* GetDatabasePath() override { return &path; }

  TreeView* treeView = nullptr;
  ListView* listView = nullptr;
  std::string path;

 protected:
  ~DbRootItem() override = default;
};

}  // namespace vendrel
