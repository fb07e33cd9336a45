#include "ntfs/NamedStreams.h"

#include "ntfs/Attribute.h"

#include <algorithm>

namespace qr::ntfs {

std::vector<NamedStream> FindNamedStreams(disk::ByteView record) {
    std::vector<NamedStream> streams;
    AttributeWalk walk(record);
    Attribute attribute;
    while (walk.next(attribute) && streams.size() < kMaxNamedStreams) {
        if (attribute.type() != kData || attribute.unnamed() ||
            (attribute.nonResident() && attribute.lowestVcn() != 0))
            continue;
        std::string name = attribute.nameText();
        const bool known = std::any_of(streams.begin(), streams.end(),
                                       [&](const NamedStream& s) { return s.name == name; });
        if (name.empty() || known)
            continue;
        streams.push_back({std::move(name), attribute.nonResident() ? attribute.realSize()
                                                                    : attribute.valueLength()});
    }
    return streams;
}

} // namespace qr::ntfs
