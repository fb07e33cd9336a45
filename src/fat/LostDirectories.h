#pragma once
// Re-parents every folder whose parent is not among the found folders under the
// Lost pseudo-folder, so that whole orphaned subtrees show under "Lost".
#include <cstdint>

namespace qr::app {
struct RecoveryContext;
}
namespace qr::model {
class RecordTable;
}

namespace qr::fat {

inline constexpr std::uint32_t kFatRootParent = 0;
inline constexpr std::uint32_t kNtfsRootParent = 5;

// `rootParent` is the "parent" value that stands for the root directory.
void FindLostDirectories(app::RecoveryContext& context, model::RecordTable& table,
                         std::uint32_t rootParent);

} // namespace qr::fat
