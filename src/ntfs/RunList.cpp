#include "ntfs/RunList.h"

namespace qr::ntfs {

RunListDecode DecodeRunList(disk::ByteView bytes, std::uint64_t firstVcn) {
    RunListDecode out;
    std::uint64_t at = 0;
    std::uint64_t vcn = firstVcn;
    std::int64_t previous = 0; // cluster of the last run that had an offset
    while (at < bytes.size()) {
        const std::uint8_t header = bytes.u8(at);
        if (header == 0) {
            out.complete = true;
            break;
        }
        const unsigned lengthBytes = header & 0x0F;
        const unsigned offsetBytes = header >> 4;
        if (lengthBytes == 0 || lengthBytes > 8 || offsetBytes > 8 ||
            !bytes.has(at + 1, lengthBytes + offsetBytes)) {
            out.damaged = lengthBytes > 8 || offsetBytes > 8 || lengthBytes == 0;
            break;
        }
        const std::uint64_t length = bytes.uN(at + 1, lengthBytes);
        DataRun run;
        run.vcn = vcn;
        run.length = length;
        if (offsetBytes > 0) {
            const std::int64_t delta = bytes.sN(at + 1 + lengthBytes, offsetBytes);
            // Overflow-safe: a cluster number is below 2^63 on any medium.
            if ((delta < 0 && previous < -delta) || (delta > 0 && previous > INT64_MAX - delta)) {
                out.damaged = true;
                break;
            }
            previous += delta;
            run.cluster = previous;
        }
        at += 1 + lengthBytes + offsetBytes;
        if (length == 0)
            continue;
        if (vcn > UINT64_MAX - length) {
            out.damaged = true;
            break;
        }
        vcn += length;
        out.runs.push_back(run);
    }
    return out;
}

} // namespace qr::ntfs
