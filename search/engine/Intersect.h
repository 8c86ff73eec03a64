// Intersection of ascending posting lists.
#pragma once

#include <cstdint>
#include <vector>

namespace zeph {

// The ids present in every list (each list strictly ascending), ascending.
// No lists gives no ids.
std::vector<std::uint32_t> intersectPostings(std::vector<std::vector<std::uint32_t>> lists);

// The ids present in any list (each list ascending), ascending, each once.
std::vector<std::uint32_t> unitePostings(const std::vector<std::vector<std::uint32_t>>& lists);

}  // namespace zeph
