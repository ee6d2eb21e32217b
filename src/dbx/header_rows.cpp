#include "dbx/header_rows.h"

#include "dbx/header.h"
#include "platform/code_page.h"
#include "platform/format.h"

namespace vendrel::dbx {

namespace {

class HeaderRowWriter {
 public:
  HeaderRowWriter(const DbStore& store, std::vector<FieldRow>& rows) : store_(store), rows_(rows) {}

  void U32(uint32_t ra, const char* label, const char* description) {
    const std::optional<uint32_t> value = store_.ReadU32(ra);
    Add(ra, label, value ? Format("%08X", *value) : std::string(), description);
  }

  void U8(uint32_t ra, const char* label) {
    const std::optional<uint8_t> value = store_.ReadU8(ra);
    Add(ra, label, value ? Format("%02X", *value) : std::string(), "");
  }

  void Bytes4(uint32_t ra, const char* label, const char* description) {
    const uint8_t* b = store_.At(ra, 4);
    Add(ra, label, b != nullptr ? Format("%02X%02X%02X%02X", b[0], b[1], b[2], b[3]) : std::string(),
        description);
  }

  void Text(uint32_t ra, uint32_t end, const char* label) {
    Add(ra, label, LegacyCodePage().ToUtf8(HeaderTextBytes(store_, ra, end)), "");
  }

  void Clsid(const char* description) {
    const uint8_t* bytes = store_.At(kClsidField, 16);
    Add(kClsidField, "CLSID", bytes != nullptr ? ClsidText(bytes) : std::string(), description);
  }

  void Add(uint32_t ra, std::string label, std::string value, std::string description) {
    rows_.push_back({std::move(label), Format("%08X", ra), std::move(value), std::move(description)});
  }

 private:
  const DbStore& store_;
  std::vector<FieldRow>& rows_;
};

const char* ClsidDescription(const DbStore& store) {
  if (IsMessageDatabase(&store)) return "CLSID_MessageDatabase";
  if (IsFolderDatabase(&store)) return "CLSID_FolderDatabase";
  return "Error";
}

}  // namespace

std::vector<FieldRow> HeaderRows(const DbStore& store) {
  std::vector<FieldRow> rows;
  HeaderRowWriter row(store, rows);
  row.U32(kMagicField, "Magic", "Means DBX");
  row.Clsid(ClsidDescription(store));
  row.Bytes4(0x14, "Version?", "OE5.0?");
  row.Bytes4(0x18, "Version?", "OE5.0?");
  row.Bytes4(0x1C, "Unknown", "What is it?");
  row.Bytes4(0x20, "Unknown", "Always zero?");
  row.U32(kEntryHeapDescriptor, "RA entry heap",
          "allocation status :in new DBX - RA ........((MSGCOL_FLAGS & ARF_WATCH) != 0 || "
          "(MSGCOL_FLAGS & ARF_IGNORE) != 0)");
  row.U32(kEntryHeapDescriptor + 4, "size", "byte(s)");
  row.U32(kEntryHeapDescriptor + 8, "used", "byte(s)");
  row.U32(kIndexHeapDescriptor, "RA index heap", "allocation status");
  row.U32(kIndexHeapDescriptor + 4, "size", "byte(s)");
  row.U32(kIndexHeapDescriptor + 8, "used", "byte(s)");
  row.U32(0x3C, "RA array 3C", "RA");
  row.U32(0x40, "size", "byte(s)");
  row.U32(0x44, "used?", "byte(s)");
  for (const uint32_t ra : {0x48u, 0x4Cu, 0x50u}) row.U32(ra, "RA Last deleted?", "RA");
  row.U32(0x54, "Unk54?", "default 0x50");
  row.U32(0x58, "Unk58?", "default 0x00");
  row.U32(kLastAssignedIdField, "LastAssgID", "");
  row.U32(kAllocatedSizeField, "Allocated Size", "byte(s)");
  for (int k = 0; k < kIndexSlotCount; ++k) {
    row.U32(CountSlot(k), Format("Count[%d]", k).c_str(), "elem count (see below)");
  }
  for (int k = 0; k < kIndexSlotCount; ++k) {
    row.U32(RootSlot(k), Format("Index[%d] RA", k).c_str(), "start index (see upper)");
  }
  // The folder description exists in message databases only; the folder ID belongs with the name.
  if (IsMessageDatabase(&store)) {
    row.U8(kPrototypeField, "ProtoType");
    row.Text(kTypeNameField, kTypeField, "TypeName");
    row.U8(kTypeField, "Type");
    row.Text(kFolderNameField, kFolderIdField, "Name");
    row.U32(kFolderIdField, "FolderID", "");
  }
  rows.push_back({kToBeContinued, "", "", ""});
  return rows;
}

}  // namespace vendrel::dbx
