#include "dbx/folder_insertion.h"

#include "dbx/header.h"
#include "dbx/index_cursor.h"
#include "dbx/index_insert.h"
#include "dbx/name_compare.h"
#include "dbx/record.h"
#include "dbx/record_builder.h"
#include "dbx/tree_check.h"
#include "platform/code_page.h"
#include "platform/format.h"
#include "store/allocation.h"
#include "store/copy_on_write.h"
#include "store/little_endian.h"

namespace vendrel::dbx {

namespace {

constexpr uint32_t kNoKey = 0xFFFFFFFF;

// The RA of the first record of tree 0 that the cursor finds, 0 for none.
uint32_t FirstInTree0(const DbStore& store, uint8_t mode, uint32_t target) {
  IndexCursor cursor(TreeRoot(store, 0), mode, target);
  return cursor.Next(store);
}

// The RA of the parent's direct "Any info" entry when the new folder will be its first subfolder; 0 when
// it has subfolders already; none when the parent has no such entry to mark.
std::optional<uint32_t> ParentFlagToSet(const DbStore& store, uint32_t parent, uint32_t parentId) {
  if (FirstInTree0(store, IndexCursor::MatchParentId, parentId) != 0) return 0;
  const unsigned count = PropertyCount(store, parent);
  for (unsigned i = 0; i < count; ++i) {
    const std::optional<PropertyEntry> entry = PropertyAt(store, parent, i);
    if (!entry || entry->id() != kPropAnyInfo) continue;
    if (!entry->isDirect()) return std::nullopt;
    return PropertyEntryRa(parent, i);
  }
  return std::nullopt;
}

// The first damage that writing into the file would spread; none for a file sound enough. survey keeps
// what the trees reach, for the new room to be checked against.
std::optional<std::string> Damage(const DbStore& store, TreeSurvey& survey) {
  if (std::optional<std::string> damage = SurveyTrees(store, 3, survey)) return damage;
  const uint32_t lastId = HeaderU32(store, kLastAssignedIdField);
  if (lastId < survey.highestId || lastId >= kNoKey - 1) {
    return Format("the last ID given, %08X, does not lie above every folder's", lastId);
  }
  return std::nullopt;
}

FolderInsertion TellDamaged(const std::string& damage) {
  return FolderInsertion::Refused(FolderInsertion::Damaged, damage);
}

}  // namespace

FolderInsertion CheckFolderName(const DbStore& store, uint32_t parentId, const std::string& utf8Name) {
  const std::optional<std::string> legacy = LegacyCodePage().FromUtf8(utf8Name);
  if (!legacy) {
    return FolderInsertion::Refused(FolderInsertion::NameRefused,
                   Format("The name \"%s\" cannot be written in the code page %s of this database.",
                          utf8Name.c_str(), LegacyCodePage().name().c_str()));
  }
  if (legacy->empty() || legacy->size() > kMaxFolderNameBytes || legacy->find('\0') != std::string::npos) {
    return FolderInsertion::Refused(FolderInsertion::NameRefused,
                   legacy->empty() ? "The name is empty." : "The name is too long.");
  }
  IndexCursor siblings(TreeRoot(store, 0), IndexCursor::MatchParentId, parentId);
  for (const uint32_t sibling : siblings.Rest(store)) {
    const std::optional<std::string_view> name = GetDisplayName(store, sibling);
    if (name && CompareNamesNoCase(*name, *legacy) == 0)
      return FolderInsertion::Refused(FolderInsertion::NameTaken, kNameTaken);
  }
  return {FolderInsertion::Inserted, 0, {}, *legacy};
}

FolderInsertion InsertFolder(DbStore& store, uint32_t parentId, const std::string& utf8Name) {
  if (!IsFolderDatabase(&store)) return FolderInsertion::Refused(FolderInsertion::NoParent, "it is not a folder database");
  if (!store.IsWritable()) return FolderInsertion::Refused(FolderInsertion::NotWritable, "the file cannot be written");
  // A damaged file is not written into: the change would spread the damage.
  TreeSurvey survey;
  if (const std::optional<std::string> damage = Damage(store, survey)) return TellDamaged(*damage);
  // The ordered trees keep a folder by its ParentID; 0 and FFFFFFFF are no key there.
  if (parentId == 0 || parentId == kNoKey) {
    return FolderInsertion::Refused(
        FolderInsertion::NoParent,
        Format("folder %08X cannot hold subfolders: the index trees have no place for them", parentId));
  }
  const uint32_t parent = FirstInTree0(store, IndexCursor::MatchId, parentId);
  if (parent == 0) return FolderInsertion::Refused(FolderInsertion::NoParent, Format("there is no folder %08X", parentId));
  FolderInsertion named = CheckFolderName(store, parentId, utf8Name);
  if (!named.inserted()) return named;

  CopyOnWrite change;
  if (!change.Begin(store)) {
    return FolderInsertion::Refused(FolderInsertion::NotWritable,
                   Format("the file is larger than the %llu MiB a change is made on",
                          static_cast<unsigned long long>(kMaxCopiedDatabase >> 20)));
  }
  DbStore& copy = change.copy();
  const std::optional<uint32_t> parentFlag = ParentFlagToSet(copy, parent, parentId);
  if (!parentFlag) {
    return FolderInsertion::Refused(
        FolderInsertion::NoParent,
        Format("folder %08X cannot hold subfolders: it keeps no \"Any info\" flags to mark them by",
               parentId));
  }
  RecordBuilder record(/*folderDatabase=*/true);
  record.SetInteger(kPropParentOrFlags, parentId);
  record.SetString(kPropFolderDisplayName, named.legacyName);
  record.SetInteger(kPropAnyInfo, kNewFolderAnyInfo);
  record.SetInteger(kPropProtocol, kNewFolderProtocol);
  const uint32_t ra = record.Write(copy);
  if (ra == 0) return TellDamaged("its entry heap or its allocated size leaves no room for a new record");
  // The parent's "has subfolders" flag is set, not added: a flag that is already set stays as it is.
  uint8_t* entry = *parentFlag != 0 ? copy.AtWritable(*parentFlag, 4) : nullptr;
  if (entry != nullptr) StoreU32(entry, LoadU32(entry) | kFolderHasSubfolders << 8);
  bool inserted = *parentFlag == 0 || entry != nullptr;
  for (int k = 0; k < 3 && inserted; ++k) inserted = InsertIntoIndex(copy, ra, k);
  // Checked also when an insertion failed: room carved over a live node is the likeliest reason.
  for (const auto& [blockRa, length] : copy.allocations()) {
    if (blockRa < kHeaderEnd || Overlaps(survey.structures, blockRa, length)) {
      return TellDamaged(Format("its free space at %08X lies over a folder or an index node", blockRa));
    }
  }
  if (!inserted) return TellDamaged("its index trees or its index heap leave no room for the new folder");
  if (!change.Commit()) return FolderInsertion::Refused(FolderInsertion::NotWritable, change.error());
  named.folderId = GetId(copy, ra);
  return named;
}

}  // namespace vendrel::dbx
