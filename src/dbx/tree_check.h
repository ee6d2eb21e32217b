// Whether the index trees of a database are sound enough to write into: every node reached once, its
// parent link leading back, every record valid, each tree holding as many records as its header says.
// And what they reach, so that new room can be checked to lie clear of it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "store/db_store.h"

namespace vendrel::dbx {

struct Extent {
  uint32_t ra;
  uint32_t length;
};

struct TreeSurvey {
  std::vector<Extent> structures;  // the nodes and records the trees reach
  uint32_t highestId = 0;          // the highest record ID in tree 0
};

// Surveys index trees 0 to trees - 1 (each must have a root). The first damage found, in words; none
// for sound trees.
std::optional<std::string> SurveyTrees(const DbStore& store, int trees, TreeSurvey& survey);

// Whether [ra, ra + length) overlaps one of the structures.
bool Overlaps(const std::vector<Extent>& structures, uint32_t ra, uint32_t length);

}  // namespace vendrel::dbx
