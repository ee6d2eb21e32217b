#include "export/message_order.h"

#include "dbx/index_walk.h"

namespace vendrel {

MessageList MessagesOf(const DbStore& store, uint32_t nodeRa, bool wholeTree) {
  MessageList list;
  dbx::EnteredNodes listed;
  const auto add = [&](uint32_t record) {
    if (listed.Insert(record)) {
      list.records.push_back(record);
    } else {
      ++list.repeats;
    }
  };
  if (wholeTree) {
    list.cut = dbx::WalkIndexTree(store, nodeRa, [&](const dbx::IndexNode&, unsigned, uint32_t record) {
                 add(record);
                 return false;
               }) == dbx::WalkEnd::Cut;
  } else if (const std::optional<dbx::IndexNode> node = dbx::IndexNode::At(store, nodeRa)) {
    for (unsigned i = 0; i < node->entryCount(); ++i) {
      if (node->entry(i).recordRa != 0) add(node->entry(i).recordRa);
    }
  }
  return list;
}

}  // namespace vendrel
