#include "items/field_item.h"

#include "dbx/header.h"
#include "dbx/property_names.h"
#include "dbx/property_value_text.h"
#include "items/image_indexes.h"

namespace vendrel {

FieldItem::FieldItem(ExplorerItem* parent, uint32_t entryRa, uint32_t dataAreaRa)
    : DbItem(parent, entryRa), dataAreaRa_(dataAreaRa) {
  image = kImageProperty;
}

bool FieldItem::IsValidField(const DbStore& store) const {
  return ra != 0 && dbx::IsDbxFile(&store) && Entry(store).has_value();
}

std::optional<uint32_t> FieldItem::Entry(const DbStore& store) const {
  return store.ReadU32(ra);
}

std::optional<std::string> FieldItem::GetNameText(const DbStore& store) const {
  if (!IsValidField(store)) return std::nullopt;
  return dbx::PropertyName(store, dbx::PropertyEntry{*Entry(store)});
}

std::optional<std::string> FieldItem::GetValueText(const DbStore& store) const {
  if (!IsValidField(store)) return std::nullopt;
  return dbx::PropertyValueText(store, dbx::PropertyEntry{*Entry(store)}, dataAreaRa_);
}

}  // namespace vendrel
