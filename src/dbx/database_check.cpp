#include "dbx/database_check.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include <set>

#include "dbx/header.h"
#include "dbx/index_cursor.h"
#include "dbx/index_node.h"
#include "dbx/message_text.h"
#include "dbx/name_compare.h"
#include "dbx/index_walk.h"
#include "dbx/record.h"
#include "dbx/sibling_file.h"
#include "platform/code_page.h"
#include "platform/format.h"
#include "store/allocation.h"
#include "store/little_endian.h"

namespace vendrel::dbx {

namespace {

struct Extent {
  uint32_t ra;
  uint64_t end;
  const char* kind;
};

class Checker {
 public:
  explicit Checker(const DbStore& store) : store_(store) {}

  DatabaseCheck Run() {
    report_.fileBytes = store_.viewLength();
    report_.readable = IsFolderDatabase(&store_) || IsMessageDatabase(&store_);
    if (!report_.readable) return std::move(report_);
    messages_ = IsMessageDatabase(&store_);
    if (store_.unfinishedChange()) {
      Problem(0, "file", "a change to it was cut off and its journal lies beside it: what follows may be the "
                         "half-made change, which the next session that may write will undo");
    }
    CheckHeader();
    for (int k = 0; k < kIndexSlotCount; ++k) CheckTree(k);
    if (lastId_ < highestId_) {
      Problem(kLastAssignedIdField, "header",
              Format("the last ID given, %08X, lies below the ID %08X a record has", lastId_, highestId_));
    }
    CheckExtents();
    return std::move(report_);
  }

 private:
  void Problem(uint32_t ra, std::string structure, std::string what) {
    report_.problems.push_back({ra, std::move(structure), std::move(what)});
  }

  void CheckHeader() {
    lastId_ = HeaderU32(store_, kLastAssignedIdField);
    const uint64_t length = store_.viewLength();
    allocated_ = HeaderU32(store_, kAllocatedSizeField);
    if (allocated_ < kHeaderEnd || allocated_ > length) {
      Problem(kAllocatedSizeField, "header",
              Format("the allocated size, %08X, does not lie between the end of the header and the end of "
                     "the file (%08llX)",
                     allocated_, static_cast<unsigned long long>(length)));
      allocated_ = static_cast<uint32_t>(std::min<uint64_t>(length, UINT32_MAX));
    }
    for (const auto& [offset, name] : {std::pair{kEntryHeapDescriptor, "entry heap"}, {kIndexHeapDescriptor, "index heap"}}) {
      const uint32_t chunk = HeaderU32(store_, offset), size = HeaderU32(store_, offset + 4),
                     used = HeaderU32(store_, offset + 8);
      if (used > size) {
        Problem(offset, "header", Format("the %s has used %08X bytes of a chunk of %08X", name, used, size));
      }
      if (chunk != 0 && (chunk < kHeaderEnd || uint64_t{chunk} + size > allocated_)) {
        Problem(offset, "header",
                Format("the %s's chunk at %08X (%08X bytes) lies outside the allocated part of the file", name,
                       chunk, size));
      }
    }
  }

  // The order the trees of a folder database keep: tree 0 by ID, trees 1 and 2 by parent, then name.
  bool InOrder(int k, uint32_t before, uint32_t after) const {
    if (k == 0) return GetId(store_, before) < GetId(store_, after);
    if (messages_ || k > 2) return true;
    const uint32_t parentBefore = GetParentOrFlags(store_, before), parentAfter = GetParentOrFlags(store_, after);
    if (parentBefore != parentAfter) return parentBefore < parentAfter;
    const std::string_view nameBefore = GetDisplayName(store_, before).value_or("");
    const std::string_view nameAfter = GetDisplayName(store_, after).value_or("");
    return CompareNamesNoCase(nameBefore, nameAfter) <= 0;
  }

  void CheckTree(int k) {
    const uint32_t root = TreeRoot(store_, k);
    const uint32_t counted = TreeCount(store_, k);
    if (root == 0) {
      if (counted != 0) Problem(CountSlot(k), "header", Format("tree %d has no root but counts %u records", k, counted));
      return;
    }
    ++report_.trees;
    const std::string structure = Format("index node of tree %d", k);
    uint32_t reached = 0, previous = 0;
    struct Pending {
      uint32_t ra, parent;
      unsigned pos;
      unsigned countKept;  // what the parent keeps as this node's entry count
      bool left;
    };
    // Depth first and in tree order: a node's left child, then each entry's record and child.
    std::vector<std::pair<Pending, int>> stack;  // the node and the next entry to take (-1: the left child)
    const auto enter = [&](const Pending& at) {
      const std::optional<IndexNode> node = IndexNode::At(store_, at.ra);
      if (!node) {
        Problem(at.ra, structure,
                at.parent == 0 ? Format("the root that the header names is not a valid index node")
                               : Format("is named by node %08X but is not a valid index node", at.parent));
        return;
      }
      const auto [owner, fresh] = nodeOwners_.emplace(at.ra, k);
      if (!fresh) {
        Problem(at.ra, structure,
                owner->second == k ? "is reached twice" : Format("is reached from tree %d too", owner->second));
        return;
      }
      ++report_.nodes;
      extents_.push_back({at.ra, uint64_t{at.ra} + kIndexNodeSize, "index node"});
      if (node->parent() != at.parent || (at.parent != 0 && !at.left && node->posInParent() != at.pos)) {
        Problem(at.ra, structure,
                Format("names %08X (entry %u) as its parent, but is reached from %08X (entry %u)", node->parent(),
                       node->posInParent(), at.parent, at.pos));
      }
      if (at.parent != 0 && node->entryCount() != at.countKept) {
        Problem(at.ra, structure,
                Format("holds %u entries, its parent keeps %u", node->entryCount(), at.countKept));
      }
      stack.push_back({at, -1});
    };
    enter({root, 0, 0, 0, false});
    while (!stack.empty()) {
      auto& [at, next] = stack.back();
      const std::optional<IndexNode> node = IndexNode::At(store_, at.ra);
      if (next < 0) {
        next = 0;
        if (node->leftChild() != 0) enter({node->leftChild(), at.ra, 0, node->entryCountInNext(), true});
        continue;
      }
      if (next >= node->entryCount()) {
        stack.pop_back();
        continue;
      }
      const unsigned i = static_cast<unsigned>(next++);
      const uint32_t nodeRa = at.ra;
      const IndexEntry entry = node->entry(i);
      if (entry.recordRa == 0 || RecordAt(store_, entry.recordRa) == nullptr) {
        Problem(nodeRa, structure, Format("its entry %u names %08X, which is not a valid record", i, entry.recordRa));
      } else {
        ++reached;
        if (previous != 0 && !InOrder(k, previous, entry.recordRa)) {
          Problem(nodeRa, structure,
                  Format("its entry %u, record %08X, is out of the tree's order after record %08X", i,
                         entry.recordRa, previous));
        }
        previous = entry.recordRa;
        CheckRecord(entry.recordRa);
      }
      if (entry.childRa != 0) enter({entry.childRa, nodeRa, i, entry.childCount, false});
    }
    if (reached != counted) {
      Problem(CountSlot(k), "header", Format("tree %d holds %u records, the header counts %u", k, reached, counted));
    }
  }

  void CheckRecord(uint32_t ra) {
    if (!records_.insert(ra).second) return;  // checked from another tree already
    ++report_.records;
    const uint8_t* record = RecordAt(store_, ra);
    const uint32_t body = LoadU16(record + kRecordBodySizeField);
    const unsigned count = record[kRecordPropertyCountField];
    const std::string structure = messages_ ? "message record" : "folder record";
    if (store_.At(ra, kRecordHeadSize + body) == nullptr) {
      Problem(ra, structure, Format("its %u bytes pass the end of the file", kRecordHeadSize + body));
      return;
    }
    extents_.push_back({ra, uint64_t{ra} + kRecordHeadSize + body, messages_ ? "message record" : "folder record"});
    if (4 * count > body) {
      Problem(ra, structure, Format("its table of %u properties does not fit its %u bytes", count, body));
      return;
    }
    const uint32_t dataSize = body - 4 * count;
    for (unsigned i = 0; i < count; ++i) {
      const PropertyEntry entry{LoadU32(record + kRecordHeadSize + 4 * i)};
      if (!entry.isDirect() && entry.field() >= dataSize) {
        Problem(ra, structure,
                Format("its property %02X points %06X bytes into a data area of %u", entry.id(), entry.field(),
                       dataSize));
      }
    }
    const uint32_t id = GetId(store_, ra);
    highestId_ = std::max(highestId_, id);
    const auto [other, fresh] = ids_.emplace(id, ra);
    if (!fresh) Problem(ra, structure, Format("has the ID %08X of record %08X too", id, other->second));
    if (messages_) CheckText(ra);
  }

  void CheckText(uint32_t recordRa) {
    for (uint32_t ra = GetTextOffset(store_, recordRa), from = recordRa; ra != 0;) {
      const std::optional<TextBlock> block = TextBlockAt(store_, ra);
      if (!block) {
        Problem(from, from == recordRa ? "message record" : "text block",
                Format("its text continues at %08X, which is not a valid text block", ra));
        return;
      }
      const auto [owner, fresh] = blockOwners_.emplace(ra, recordRa);
      if (!fresh) {
        if (owner->second == recordRa) {
          Problem(from, "text block", Format("its text comes back to %08X: the chain loops", ra));
        } else {
          Problem(ra, "text block",
                  Format("is in the text of record %08X and of record %08X", owner->second, recordRa));
        }
        return;
      }
      ++report_.textBlocks;
      if (block->used > block->allocated) {
        Problem(ra, "text block", Format("holds %u bytes in a room of %u", block->used, block->allocated));
      }
      if (store_.At(ra, kTextBlockHeadSize + block->allocated) == nullptr) {
        Problem(ra, "text block", Format("its room of %u bytes passes the end of the file", block->allocated));
      } else {
        extents_.push_back({ra, uint64_t{ra} + kTextBlockHeadSize + block->allocated, "text block"});
      }
      from = ra;
      ra = block->next;
    }
  }

  // Structures that share bytes, and the room no structure uses.
  void CheckExtents() {
    std::sort(extents_.begin(), extents_.end(), [](const Extent& a, const Extent& b) { return a.ra < b.ra; });
    uint64_t covered = 0, end = 0;
    const Extent* last = nullptr;
    const uint64_t start = messages_ ? kMessageHeaderEnd : kHeaderEnd;
    for (const Extent& extent : extents_) {
      if (last != nullptr && extent.ra < end) {
        Problem(extent.ra, extent.kind, Format("overlaps the %s at %08X", last->kind, last->ra));
      }
      const uint64_t from = std::max<uint64_t>({extent.ra, end, start});
      const uint64_t to = std::min<uint64_t>(extent.end, allocated_);
      if (to > from) covered += to - from;
      if (extent.end > end) {
        end = extent.end;
        last = &extent;
      }
    }
    report_.unusedBytes = allocated_ > start ? allocated_ - start - covered : 0;
  }

  const DbStore& store_;
  DatabaseCheck report_;
  bool messages_ = false;
  uint32_t allocated_ = 0, lastId_ = 0, highestId_ = 0;
  std::unordered_map<uint32_t, int> nodeOwners_;          // node -> the tree that reached it first
  std::unordered_set<uint32_t> records_;                  // checked already
  std::unordered_map<uint32_t, uint32_t> ids_;            // ID -> record
  std::unordered_map<uint32_t, uint32_t> blockOwners_;    // text block -> its record
  std::vector<Extent> extents_;
};

}  // namespace

DatabaseCheck CheckDatabase(const DbStore& store) {
  return Checker(store).Run();
}

std::vector<FileCheck> CheckStore(const DbStore& folders, const std::string& foldersPath) {
  std::vector<FileCheck> files = {{foldersPath, CheckDatabase(folders)}};
  std::set<FileIdentity> checked;
  WalkIndexTree(folders, TreeRoot(folders, 0), [&](const IndexNode&, unsigned, uint32_t ra) {
    const std::optional<std::string_view> fileName = GetString(folders, ra, kPropFileName);
    if (!fileName || fileName->empty() || RecordAt(folders, ra) == nullptr) return false;
    const auto problem = [&](const std::string& what) {
      files[0].check.problems.push_back({ra, "folder record", what});
    };
    const std::string name = LegacyCodePage().ToUtf8(*fileName);
    const std::optional<std::string> path = ResolveFolderFile(DirectoryOf(foldersPath), *fileName);
    if (!path) return problem("names the message database " + name + ", which is not there"), false;
    DbStore store;
    if (!store.OpenAsFound(*path) || !IsMessageDatabase(&store)) {
      return problem("names " + *path + ", which " +
                     (store.IsOpen() ? std::string("is not a message database") : "cannot be opened: " + store.DescribeFailure())),
             false;
    }
    const uint32_t id = GetId(folders, ra), headerId = HeaderU32(store, kFolderIdField);
    if (headerId != id) problem(Format("has the ID %08X, its database %s names folder %08X", id, name.c_str(), headerId));
    const std::string headerName = HeaderTextBytes(store, kFolderNameField, kFolderIdField);
    if (headerName != GetDisplayName(folders, ra).value_or("")) {
      problem("is named otherwise than its database " + name + " names its folder (\"" +
              LegacyCodePage().ToUtf8(headerName) + "\")");
    }
    const std::optional<FileStamp> stamp = store.mapping()->Stamp();
    if (stamp && checked.insert(stamp->identity()).second) files.push_back({*path, CheckDatabase(store)});
    return false;
  });
  return files;
}

}  // namespace vendrel::dbx
