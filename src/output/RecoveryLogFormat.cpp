#include "output/RecoveryLogFormat.h"

#include "disk/ByteView.h"
#include "volume/EngineRegistry.h"

#include <algorithm>
#include <cstdint>

namespace qr::output {

namespace {

// Appends little-endian fields to a byte vector.
class LogWriter {
public:
    explicit LogWriter(std::vector<unsigned char>& out) : out_(out) {}

    void u8(std::uint8_t value) { out_.push_back(value); }
    void u32(std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            out_.push_back(static_cast<unsigned char>(value >> (8 * i)));
    }
    void u64(std::uint64_t value) {
        for (int i = 0; i < 8; ++i)
            out_.push_back(static_cast<unsigned char>(value >> (8 * i)));
    }
    void bytes(std::string_view text) { out_.insert(out_.end(), text.begin(), text.end()); }
    // A string with a one-byte length in front.
    void shortString(std::string_view text) {
        const std::string cut = CutToLimit(text, kLogShortStringMax);
        u8(static_cast<std::uint8_t>(cut.size()));
        bytes(cut);
    }
    void volume(const LogVolumeFields& v) {
        for (std::uint32_t field :
             {v.sectorsPerFat, v.sectorsPerCluster, v.rootSectors, v.rootStart, v.reservedSectors,
              v.cluster0Start, v.firstFat, v.secondFat, v.mftStart, v.mftMirrorStart,
              v.mftRecordSectors, v.indexRecordSectors})
            u32(field);
    }

private:
    std::vector<unsigned char>& out_;
};

// Reads fields in order from the log's bytes. The first read that does not fit marks
// the cursor failed; later reads return zeros, so a parse runs to its next check.
class LogCursor {
public:
    explicit LogCursor(std::span<const unsigned char> bytes) : view_(bytes) {}

    bool ok() const { return ok_; }
    std::size_t position() const { return pos_; }
    std::size_t remaining() const { return view_.size() - pos_; }
    void fail(std::string problem) {
        if (ok_)
            problem_ = std::move(problem) + " at byte " + std::to_string(pos_);
        ok_ = false;
    }
    const std::string& problem() const { return problem_; }

    bool skip(std::size_t count, const char* what) {
        if (!ok_ || !view_.has(pos_, count)) {
            fail(std::string("file ends inside ") + what);
            return false;
        }
        pos_ += count;
        return true;
    }
    std::uint8_t u8(const char* what) {
        const std::size_t at = pos_;
        return skip(1, what) ? view_.u8(at) : 0;
    }
    std::uint32_t u32(const char* what) {
        const std::size_t at = pos_;
        return skip(4, what) ? view_.u32Unchecked(at) : 0;
    }
    std::uint64_t u64(const char* what) {
        const std::size_t at = pos_;
        return skip(8, what) ? view_.u64Unchecked(at) : 0;
    }
    std::string text(std::uint64_t length, const char* what) {
        if (length > kLogStringMax) {
            fail(std::string(what) + " is " + std::to_string(length) + " bytes long");
            return {};
        }
        const std::size_t at = pos_;
        if (!skip(static_cast<std::size_t>(length), what))
            return {};
        return std::string(reinterpret_cast<const char*>(view_.data() + at),
                           static_cast<std::size_t>(length));
    }
    LogVolumeFields volume(const char* what) {
        LogVolumeFields v;
        for (std::uint32_t* field :
             {&v.sectorsPerFat, &v.sectorsPerCluster, &v.rootSectors, &v.rootStart,
              &v.reservedSectors, &v.cluster0Start, &v.firstFat, &v.secondFat, &v.mftStart,
              &v.mftMirrorStart, &v.mftRecordSectors, &v.indexRecordSectors})
            *field = u32(what);
        return v;
    }

private:
    disk::ByteView view_;
    std::size_t pos_ = 0;
    bool ok_ = true;
    std::string problem_;
};

// The mode caption's field: the caption, and the wide sector numbers when there are any.
std::string captionField(const RecoveryLogSnapshot& s) {
    if (!s.validatedHigh.any())
        return s.modeCaption;
    std::vector<unsigned char> wide;
    LogWriter w(wide);
    w.bytes(kWideMarker);
    const LogWideSectors& h = s.validatedHigh;
    for (std::uint32_t half :
         {h.cluster0Start, h.firstFat, h.secondFat, h.mftStart, h.mftMirrorStart})
        w.u32(half);
    const std::string caption = CutToLimit(s.modeCaption, kLogShortStringMax - kWideBytes);
    return caption + std::string(wide.begin(), wide.end());
}

// Splits the caption's field into the caption and the wide sector numbers behind it.
void readCaptionField(LogCursor& in, const std::string& field, RecoveryLogSnapshot& s) {
    const std::size_t at = field.find(kWideMarker);
    s.modeCaption = field.substr(0, at);
    if (at == std::string::npos)
        return;
    if (field.size() - at != kWideBytes) {
        in.fail("the wide sector numbers behind the mode caption are " +
                std::to_string(field.size() - at) + " bytes long");
        return;
    }
    const disk::ByteView wide(reinterpret_cast<const unsigned char*>(field.data()) + at +
                                  kWideMarker.size(),
                              kWideBytes - kWideMarker.size());
    LogWideSectors& h = s.validatedHigh;
    std::uint32_t* halves[] = {&h.cluster0Start, &h.firstFat, &h.secondFat, &h.mftStart,
                               &h.mftMirrorStart};
    for (std::size_t i = 0; i < std::size(halves); ++i)
        *halves[i] = wide.u32(4 * i);
}

// File records follow the folders only when the working file system's files are rows
// of the search (NTFS, exFAT), not read from directories again.
bool carriesFiles(std::string_view fileSystemName) {
    const volume::EngineRow* row = volume::FindEngineRow(fileSystemName);
    return row && row->traits.filesAreSearchRows;
}

// Fields 1 to 3: the title is skipped, the model is read.
std::string readModel(LogCursor& in) {
    in.skip(kLogTitle.size(), "the title");
    const std::uint32_t length = in.u32("the model length");
    return in.text(length, "the disk model");
}

// Room for `count` records of at least `smallest` bytes each, never more than the
// bytes that remain could hold.
std::size_t plausibleCount(std::uint32_t count, const LogCursor& in, std::size_t smallest) {
    return std::min<std::size_t>(count, in.remaining() / smallest);
}

void readFolders(LogCursor& in, std::vector<FolderRecord>& folders) {
    const std::uint32_t count = in.u32("the folder count");
    folders.reserve(plausibleCount(count, in, 4 + kFolderRecordTail));
    for (std::uint32_t i = 0; i < count && in.ok(); ++i) {
        const std::uint32_t length = in.u32("a folder record's length");
        if (!in.ok())
            break;
        if (length < kFolderRecordTail) {
            in.fail("folder record " + std::to_string(i) + " is shorter than its fields");
            break;
        }
        FolderRecord folder;
        folder.name = in.text(length - kFolderRecordTail, "a folder name");
        folder.selfKey = in.u32("a folder record");
        folder.parentKey = in.u32("a folder record");
        folder.date = in.u64("a folder record");
        folder.time = in.u64("a folder record");
        folder.deleted = in.u8("a folder record") != 0;
        if (in.ok())
            folders.push_back(std::move(folder));
    }
}

void readFiles(LogCursor& in, std::vector<FileRecord>& files) {
    const std::uint32_t count = in.u32("the file count");
    files.reserve(plausibleCount(count, in, 4 + kFileRecordTail));
    for (std::uint32_t i = 0; i < count && in.ok(); ++i) {
        const std::uint32_t length = in.u32("a file record's name length");
        FileRecord file;
        file.name = in.text(length, "a file name");
        file.sector = in.u32("a file record");
        file.self = in.u32("a file record");
        file.parent = in.u32("a file record");
        file.date = static_cast<std::int64_t>(in.u64("a file record"));
        file.size = in.u32("a file record");
        file.deleted = in.u32("a file record");
        if (in.ok())
            files.push_back(std::move(file));
    }
}

} // namespace

std::string CutToLimit(std::string_view text, std::size_t limit) {
    if (text.size() <= limit)
        return std::string(text);
    std::size_t cut = limit;
    // Step back over at most three continuation bytes to the start of a character.
    for (std::size_t back = 0;
         back < 3 && cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80; ++back)
        --cut;
    if ((static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        cut = limit; // not UTF-8: cut at the limit
    return std::string(text.substr(0, cut));
}

std::vector<unsigned char> EncodeRecoveryLog(const RecoveryLogSnapshot& s) {
    std::size_t size =
        kLogTitle.size() + 4 + kLogStringMax + 7 + 3 * kLogShortStringMax + 16 + 2 * 48 + 8;
    for (const FolderRecord& f : s.folders)
        size += 4 + kFolderRecordTail + std::min(f.name.size(), kLogStringMax);
    if (carriesFiles(s.fileSystemName))
        for (const FileRecord& f : s.files)
            size += 4 + kFileRecordTail + std::min(f.name.size(), kLogStringMax);

    std::vector<unsigned char> out;
    out.reserve(size);
    LogWriter w(out);
    w.bytes(kLogTitle);
    const std::string model = CutToLimit(s.diskModel, kLogStringMax);
    w.u32(static_cast<std::uint32_t>(model.size()));
    w.bytes(model);
    w.u8(s.searchMode);
    w.u8(s.diskNumber);
    w.u8(s.searchDiskNumber);
    w.u8(s.partitionIndex);
    w.shortString(s.partitionType);
    w.shortString(captionField(s));
    w.u64(s.partitionStart);
    w.u64(s.partitionEnd);
    w.volume(s.validated);
    w.volume(s.working);
    w.shortString(s.fileSystemName);

    w.u32(static_cast<std::uint32_t>(s.folders.size()));
    for (const FolderRecord& f : s.folders) {
        const std::string name = CutToLimit(f.name, kLogStringMax);
        w.u32(static_cast<std::uint32_t>(name.size() + kFolderRecordTail));
        w.bytes(name);
        w.u32(f.selfKey);
        w.u32(f.parentKey);
        w.u64(f.date);
        w.u64(f.time);
        w.u8(f.deleted ? 1 : 0);
    }
    // The reader expects the file records by the name it reads back, which is the
    // name cut to its field.
    if (carriesFiles(CutToLimit(s.fileSystemName, kLogShortStringMax))) {
        w.u32(static_cast<std::uint32_t>(s.files.size()));
        for (const FileRecord& f : s.files) {
            const std::string name = CutToLimit(f.name, kLogStringMax);
            w.u32(static_cast<std::uint32_t>(name.size()));
            w.bytes(name);
            w.u32(f.sector);
            w.u32(f.self);
            w.u32(f.parent);
            w.u64(static_cast<std::uint64_t>(f.date));
            w.u32(f.size);
            w.u32(f.deleted);
        }
    }
    return out;
}

std::optional<std::string> ReadLogDiskModel(std::span<const unsigned char> bytes) {
    LogCursor in(bytes);
    std::string model = readModel(in);
    if (!in.ok())
        return std::nullopt;
    return model;
}

LogParseResult ParseRecoveryLog(std::span<const unsigned char> bytes) {
    LogCursor in(bytes);
    RecoveryLogSnapshot s;
    s.diskModel = readModel(in);
    s.searchMode = in.u8("the search mode");
    s.diskNumber = in.u8("the disk number");
    s.searchDiskNumber = in.u8("the search disk number");
    s.partitionIndex = in.u8("the partition index");
    s.partitionType = in.text(in.u8("the partition type length"), "the partition type");
    readCaptionField(in, in.text(in.u8("the mode caption length"), "the mode caption"), s);
    s.partitionStart = in.u64("the start sector");
    s.partitionEnd = in.u64("the end sector");
    s.validated = in.volume("the validated parameters");
    s.working = in.volume("the working parameters");
    s.fileSystemName = in.text(in.u8("the file-system name length"), "the file-system name");
    if (in.ok())
        readFolders(in, s.folders);
    if (in.ok() && carriesFiles(s.fileSystemName))
        readFiles(in, s.files);
    if (in.ok() && in.remaining() != 0)
        in.fail(std::to_string(in.remaining()) + " bytes follow the last record");

    LogParseResult result;
    if (in.ok())
        result.snapshot = std::move(s);
    else
        result.problem = in.problem();
    return result;
}

} // namespace qr::output
