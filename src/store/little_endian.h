// Every multi-byte number in a DBX file is little-endian. These are the only places that assemble or
// spread the bytes; callers pass pointers that the store has already bounds-checked.
#pragma once

#include <cstdint>

namespace vendrel {

inline uint16_t LoadU16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}

inline uint32_t LoadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

inline uint64_t LoadU64(const uint8_t* p) {
  return LoadU32(p) | static_cast<uint64_t>(LoadU32(p + 4)) << 32;
}

inline void StoreU16(uint8_t* p, uint16_t value) {
  p[0] = static_cast<uint8_t>(value);
  p[1] = static_cast<uint8_t>(value >> 8);
}

inline void StoreU32(uint8_t* p, uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

inline void StoreU64(uint8_t* p, uint64_t value) {
  StoreU32(p, static_cast<uint32_t>(value));
  StoreU32(p + 4, static_cast<uint32_t>(value >> 32));
}

}  // namespace vendrel
