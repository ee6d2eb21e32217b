#include "items/record_item.h"

#include "dbx/header.h"
#include "dbx/parent_groups.h"
#include "dbx/record.h"
#include "export/export_path.h"
#include "export/message_file.h"
#include "export/safe_name.h"
#include "dbx/sibling_file.h"
#include "items/command_ids.h"
#include "items/db_root_item.h"
#include "items/field_item.h"
#include "items/folder_creation.h"
#include "items/image_indexes.h"
#include "items/section_item.h"
#include "platform/code_page.h"
#include "platform/desktop.h"
#include "platform/format.h"

namespace vendrel {

namespace {

constexpr uint32_t kNone = 0xFFFFFFFF;
constexpr size_t kCaptionLimit = 259;

int FolderImage(const DbStore& store, uint32_t ra) {
  constexpr int F = kFolderStripBase;
  const uint32_t id = dbx::GetId(store, ra);
  const uint32_t type = dbx::GetDword(store, ra, dbx::kPropType);
  const uint32_t info = dbx::GetDword(store, ra, dbx::kPropAnyInfo);
  const uint32_t protocol = dbx::GetDword(store, ra, dbx::kPropProtocol);
  const uint32_t parent = dbx::GetParentOrFlags(store, ra);
  const bool marked = ((info >> 8) & 0xBF) != 0;
  const bool infoBit = (info & 1) != 0;
  if (id == kNone) return kImageNone;
  if (id == 0) return F + 21;
  if (type == kNone) return kImageNone;
  if (type >= 1 && type <= 8) return F + (marked ? 24 : 6) + static_cast<int>(type);
  if (type > 8) return F + (marked ? 24 : 6);
  switch (protocol) {
    case 0:
      if (parent == 0) return F + (infoBit ? 16 : 18);
      return F + (!infoBit ? 17 : marked ? 22 : 15);
    case 2:
    case 3:
      if (parent == 0) return F + (!infoBit ? 18 : protocol == 2 ? 33 : 20);
      return F + (!infoBit ? 13 : marked ? 24 : 6);
    default:
      return 1;
  }
}

int MessageImage(const DbStore& store, uint32_t ra) {
  constexpr int M = kMessageStripBase;
  const uint32_t flags = dbx::GetParentOrFlags(store, ra);
  const bool read = (flags & dbx::kMessageRead) != 0;
  const bool bit0 = (flags & dbx::kMessageSolid) != 0;
  if ((flags & dbx::kMessageDiamond) != 0) return M + 24 + (read ? 1 : 0) + (bit0 ? 2 : 0);
  if (bit0) return M + (read ? 10 : 9);
  return M + 30;
}

}  // namespace

void AddFolderRecords(ExplorerItem& parent, const DbStore& store, uint32_t treeRoot, uint32_t parentId) {
  for (const uint32_t record : dbx::RecordsUnderParent(store, treeRoot, parentId)) {
    ShowNewItem<RecordItem>([&](RecordItem& folder) { return folder.LoadRecord(store, true, false); },
                            &parent, record, treeRoot);
  }
}

int RecordImage(const DbStore& store, uint32_t recordRa) {
  return dbx::IsMessageDatabase(&store) ? MessageImage(store, recordRa) : FolderImage(store, recordRa);
}

RecordItem::RecordItem(ExplorerItem* parent, uint32_t recordRa, uint32_t subfolderTreeRoot)
    : DbItem(parent, recordRa), subfolderTreeRoot(subfolderTreeRoot) {
  image = kImageRecord;
}

bool RecordItem::LoadRecord(const DbStore& store, bool show, bool update) {
  if (ra == 0 || !dbx::IsDbxFile(&store) || dbx::RecordAt(store, ra) == nullptr) return false;
  if (!show) return true;
  image = RecordImage(store, ra);
  // The caption buffer holds 259 characters of the legacy code page: cut before decoding, so that an
  // accented name keeps as many letters as it would on the mail client's machine.
  const std::string legacy =
      Format("%08X ", dbx::GetId(store, ra)) + std::string(dbx::GetDisplayName(store, ra).value_or(""));
  caption = LegacyCodePage().ToUtf8(std::string_view(legacy).substr(0, kCaptionLimit));
  // Without a node nothing holds the item: the creator must release it.
  return InsertTreeNode(update) != kNoTreeNode;
}

bool RecordItem::Expand() {
  DeleteTreeChildren();
  DbStore store;
  if (!OpenStore(store)) return false;
  if (dbx::RecordAt(store, ra) == nullptr) return NotValid("record");
  if (dbx::IsMessageDatabase(&store)) {
    const uint32_t first = dbx::GetTextOffset(store, ra);
    if (first != 0) {
      ShowNewItem<SectionItem>([&](SectionItem& section) { return section.LoadSection(store, false); }, this,
                               first);
    }
    return true;
  }
  // The folder's message database first, found beside Folders.dbx.
  if (const std::optional<std::string_view> name = dbx::GetString(store, ra, dbx::kPropFileName)) {
    const std::optional<std::string> path = ResolveFolderFile(DirectoryOf(*FindDatabasePath()), *name);
    if (path) {
      ShowNewItem<DbRootItem>(
          [&](DbRootItem& database) {
            return database.AttachDatabase(*path, FindTreeView(), FindListView(), true, false);
          },
          this, 0);
    }
  }
  if (subfolderTreeRoot != 0) AddFolderRecords(*this, store, subfolderTreeRoot, dbx::GetId(store, ra));
  return true;
}

bool RecordItem::Explore() {
  ListChildren();
  DbStore store;
  if (!OpenStore(store)) return false;
  const uint8_t* record = dbx::RecordAt(store, ra);
  if (record == nullptr) return NotValid("record");
  ListView* list = FindListView();
  const uint8_t count = dbx::PropertyCount(store, ra);
  AppendFieldRow(list, "RA", "", Format("%08X", ra), "Relative address of this struct");
  AppendFieldRow(list, "Entry header size", "",
                 Format("%08X", *store.ReadU16(ra + dbx::kRecordBodySizeField)), "bound to DWORD");
  AppendFieldRow(list, "w0000", "", Format("%04X", *store.ReadU16(ra + dbx::kRecordZeroField)),
                 "Always zero?");
  AppendFieldRow(list, "Can grow", "", Format("%04X", *store.ReadU16(ra + dbx::kRecordCanGrowField)),
                 "Free space after entry header size");
  AppendFieldRow(list, "Property count", "", Format("%02X", count), "");
  AppendFieldRow(list, "Part count?", "", Format("%02X", record[dbx::kRecordPartCountField]), "?");
  const uint32_t dataArea = dbx::DataAreaRa(store, ra);
  for (unsigned i = 0; i < count; ++i) {
    const auto field = MakeItem<FieldItem>(this, dbx::PropertyEntryRa(ra, i).value_or(0), dataArea);
    if (!field->IsValidField(store)) continue;
    const int row = InsertRow(list, list != nullptr ? list->RowCount() : 0, *field->GetNameText(store),
                              field->GetImage());
    SetRowText(list, row, 2, field->GetValueText(store).value_or(""));
    SetRowText(list, row, 3, field->GetDescriptionText(store).value_or(""));
  }
  return true;
}

bool RecordItem::GetDisplayInfo(DisplayInfo& info) {
  DbStore store;
  if (!OpenStore(store) || dbx::RecordAt(store, ra) == nullptr) return false;
  const std::optional<std::string_view> name = dbx::GetDisplayName(store, ra);
  return AnswerDisplayInfo(info, image,
                           {name ? LegacyCodePage().ToUtf8(*name) : "NoName", Format("%08X", ra),
                            Format("%08X", dbx::GetId(store, ra)), ""});
}

bool RecordItem::IsCommandEnabled(int command) {
  DbStore store;
  if (!OpenStore(store)) return false;
  if (dbx::IsMessageDatabase(&store)) {
    return command == kCmdSave || command == kCmdSaveAs || command == kCmdSaveDefault ||
           command == kCmdPreview || command == kCmdRefresh;
  }
  // A file that has become neither kind offers nothing; a folder record holds no message to save (its
  // messages are in its own database, shown below it).
  if (!dbx::IsFolderDatabase(&store)) return false;
  return command == kCmdRefresh || command == kCmdNewFolder;
}

bool RecordItem::Refresh() {
  DbStore store;
  return OpenStore(store) && (LoadRecord(store, true, true) || NotValid("record"));
}

bool RecordItem::WriteTo(const DbStore& store, const std::string& path) {
  std::string error;
  if (WriteMessageFile(store, ra, path, error)) return true;
  failure = error;
  return false;
}

bool RecordItem::ExportTo(const DbStore& store, const std::string& directory) {
  const std::optional<std::string> path = MakeExportPath(store, ra, directory);
  if (!path)
    failure = Format("no file name can be made for the message at %08X in %s", ra, directory.c_str());
  return path && WriteTo(store, *path);
}

bool RecordItem::SaveDefaultIn(const DbStore& store, const std::string& directory, bool showMessages) {
  MakeDirectory(directory);
  if (!CanExport(store, ra, showMessages)) return false;
  // Into a directory named after the folder, made safe: no database chooses where its files go.
  const std::optional<std::string> folder = FolderDirectory(store, directory);
  return folder && MakeDirectory(*folder) && ExportTo(store, *folder);
}

bool RecordItem::SaveDefault(const std::string& directory, bool showMessages) {
  DbStore store;
  return OpenStore(store) && SaveDefaultIn(store, directory, showMessages);
}

bool RecordItem::Save() {
  DbStore store;
  if (!OpenStore(store) || !CanExport(store, ra, true)) return false;
  const std::optional<std::string> directory = CurrentDesktop().BrowseForFolder();
  if (!directory || directory->empty()) return false;
  return ExportTo(store, *directory);
}

bool RecordItem::SaveAs() {
  DbStore store;
  if (!OpenStore(store) || !CanExport(store, ra, true)) return false;
  const std::optional<std::string> extension = GetExportExtension(store);
  if (!extension) return false;
  const std::string stem = GetSafeDispName(dbx::GetDisplayName(store, ra));
  const std::optional<std::string> path = CurrentDesktop().AskSaveFileName(stem + "." + *extension);
  return path && !path->empty() && WriteTo(store, *path);
}

bool RecordItem::Preview(const std::string& directory) {
  MakeDirectory(directory);
  DbStore store;
  if (!OpenStore(store) || !CanExport(store, ra, true)) return false;
  const std::optional<std::string> path = MakeExportPath(store, ra, directory);
  if (!path || !WriteTo(store, *path)) return false;
  CurrentDesktop().OpenWithShell(*path);
  return true;
}

bool RecordItem::CreateFolder(const std::string* name) {
  return CreateFolderBelow(*this, name);
}

}  // namespace vendrel
