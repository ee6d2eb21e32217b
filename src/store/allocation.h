// Where the allocator finds its state in the file header, and the amounts it carves.
//
// An allocation descriptor is three u32 at a header offset:
//   +0 chunk RA (0 = no chunk yet)   +4 chunk size in bytes   +8 bytes of the chunk already handed out
// The u32 at 0x7C is the allocated size: the end of the used part of the file, where new chunks start.
#pragma once

#include <cstdint>

namespace vendrel {

inline constexpr uint32_t kEntryHeapDescriptor = 0x24;  // records
inline constexpr uint32_t kIndexHeapDescriptor = 0x30;  // index nodes
inline constexpr uint32_t kAllocatedSizeField = 0x7C;
// No chunk may start inside the header: its fields run up to 0x24C0 in every database (message
// databases keep their folder fields after that, and this program allocates only in Folders.dbx).
inline constexpr uint32_t kHeaderEnd = 0x24C0;

inline constexpr uint32_t kEntryHeapGrowth = 49152;  // 0xC000
inline constexpr uint32_t kIndexHeapGrowth = 15900;  // 0x3E1C: 25 index nodes

}  // namespace vendrel
