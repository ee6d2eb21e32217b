// Indexes into the shared image list of the tree and the list: the general strip (27 images) first,
// then the folder strip (34) and the message strip (42).
#pragma once

namespace vendrel {

inline constexpr int kFolderStripBase = 27;
inline constexpr int kMessageStripBase = 61;

inline constexpr int kImageRoot = 0;
inline constexpr int kImagePlaceholder = 0;
inline constexpr int kImageFieldRow = 3;
inline constexpr int kImageIndexNode = 4;
inline constexpr int kImageProperty = 6;
inline constexpr int kImageSection = 8;
inline constexpr int kImageLeftChild = 9;
inline constexpr int kImageRecord = 2;
inline constexpr int kImageSubscribedIndex = 19;
inline constexpr int kImageIndexHeap = 20;
inline constexpr int kImageIndexTable = 21;
inline constexpr int kImageNone = -1;  // 0xFFFFFFFF: the record asks for no image

}  // namespace vendrel
