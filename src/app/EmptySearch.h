#pragma once
// A search that found nothing: the tree then holds only the root and an empty "Lost",
// which looks like an empty volume. Tells the user why instead, when the volume lies
// behind the end of the disk, or that nothing at all was found.
#include <string>

namespace qr::app {

struct RecoveryContext;

// True when the recovery tree holds no folder but "Lost" and the root no file.
bool SearchFoundNothing(RecoveryContext& context);

// Empty when the volume begins on the disk; else "The volume begins at sector S,
// behind the end of the disk (N sectors)." The disk's size comes from the reader.
std::string VolumeOutsideDiskText(RecoveryContext& context);

// What the Standard search says of a volume that holds folders of an earlier format.
std::string FormattedVolumeText();

// What a search that found nothing tells the user: the volume outside the disk, or
// that it seems to have been formatted, or that no folder or file was found and what
// the user can try.
std::string NothingFoundText(RecoveryContext& context);

} // namespace qr::app
