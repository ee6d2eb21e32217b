#include "dbx/tree_check.h"

#include "dbx/header.h"
#include "dbx/index_node.h"
#include "dbx/index_walk.h"
#include "dbx/record.h"
#include "platform/format.h"
#include "store/little_endian.h"

namespace vendrel::dbx {

std::optional<std::string> SurveyTrees(const DbStore& store, int trees, TreeSurvey& survey) {
  EnteredNodes entered;  // across all trees: two trees sharing a node are damaged too
  for (int k = 0; k < trees; ++k) {
    const uint32_t root = TreeRoot(store, k);
    if (root == 0) return Format("index tree %d has no root", k);
    uint32_t records = 0;
    // (node, the parent it must name)
    std::vector<std::pair<uint32_t, uint32_t>> pending = {{root, 0}};
    while (!pending.empty()) {
      const auto [ra, parent] = pending.back();
      pending.pop_back();
      const std::optional<IndexNode> node = IndexNode::At(store, ra);
      if (!node) return Format("index node %08X of tree %d is not valid", ra, k);
      if (!entered.Insert(ra)) return Format("index node %08X is reached twice", ra);
      if (node->parent() != parent)
        return Format("index node %08X names %08X as its parent", ra, node->parent());
      survey.structures.push_back({ra, kIndexNodeSize});
      if (node->leftChild() != 0) pending.emplace_back(node->leftChild(), ra);
      for (unsigned i = 0; i < node->entryCount(); ++i) {
        const IndexEntry entry = node->entry(i);
        if (entry.childRa != 0) pending.emplace_back(entry.childRa, ra);
        if (entry.recordRa == 0) continue;
        const uint8_t* record = RecordAt(store, entry.recordRa);
        if (record == nullptr) return Format("record %08X is not valid", entry.recordRa);
        const uint32_t size = kRecordHeadSize + LoadU16(record + kRecordBodySizeField);
        survey.structures.push_back({entry.recordRa, size});
        if (k == 0) survey.highestId = std::max(survey.highestId, GetId(store, entry.recordRa));
        ++records;
      }
    }
    const uint32_t counted = TreeCount(store, k);
    if (counted != records)
      return Format("index tree %d holds %u records, its header says %u", k, records, counted);
  }
  return std::nullopt;
}

bool Overlaps(const std::vector<Extent>& structures, uint32_t ra, uint32_t length) {
  const uint64_t end = uint64_t{ra} + length;
  for (const Extent& structure : structures) {
    if (ra < uint64_t{structure.ra} + structure.length && structure.ra < end) return true;
  }
  return false;
}

}  // namespace vendrel::dbx
