#include "ntfs/AssignMftNumbers.h"

#include "model/RecordTable.h"
#include "ntfs/FileName.h"
#include "ntfs/Fixups.h"
#include "ntfs/ScanSectorsForNtfs.h"
#include "ntfs/SweptRecordRows.h"
#include "volume/SearchProgress.h"

#include <algorithm>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace qr::ntfs {

namespace {

using volume::SearchPhase;

constexpr std::uint32_t kNoVolume = 0xFFFFFFFF;
constexpr std::uint32_t kNameUnits = 255;
// Progress is reported once per this many index records or directories.
constexpr std::uint32_t kProgressStep = 256;

std::uint32_t low32(std::uint64_t value) {
    return static_cast<std::uint32_t>(value);
}

// (name, parent, date) as one key.
std::string workKey(std::string_view name, std::uint32_t parent, std::int64_t date) {
    std::string key(name);
    key.push_back('\0');
    key.append(reinterpret_cast<const char*>(&parent), sizeof parent);
    key.append(reinterpret_cast<const char*>(&date), sizeof date);
    return key;
}

struct Directory {
    std::uint32_t sector = 0;
    std::uint32_t self = 0;
    std::uint32_t parent = 0;
    std::uint32_t fileSystem = 0;
    std::int64_t date = 0;
    std::string name;
    std::uint32_t firstRun = 0;
};

struct IndexRow {
    std::uint32_t sector = 0;
    std::uint32_t owner = 0;
    std::uint32_t vcn = 0;
    std::uint32_t fsNumber = 0;
    bool alive = true;
};

class Assignment {
public:
    Assignment(disk::SectorSource& source, model::RecordTables& tables, std::uint64_t searchLast,
               const IndexSignatures* known, volume::SearchProgress& progress, std::stop_token stop)
        : source_(source), tables_(tables), searchLast_(searchLast), known_(known),
          progress_(progress), stop_(std::move(stop)) {}

    AssignmentResult run() {
        loadIndexRows();
        numberFromIndexEntries();
        if (stop_.stop_requested())
            return stopped();
        numberTheRest();
        listDirectories();
        // Only the first index record of each directory is looked for from here on.
        for (IndexRow& row : index_)
            if (row.vcn != 0)
                row.alive = false;
        indexByPlace();
        volumesFromBootSectors();
        volumesFromPairs();
        showAssigned(true);
        if (stop_.stop_requested())
            return stopped();
        numberUnplaced();
        showAssigned(true);
        writeTables();
        return result_;
    }

private:
    // Ended from outside: the numbers found so far are kept, no volume is listed.
    AssignmentResult stopped() {
        numberTheRest();
        tables_.fileSystemTable.clear();
        result_.fileSystems = 0;
        writeTables();
        result_.stopped = true;
        return result_;
    }

    void loadIndexRows() {
        using namespace model::index_col;
        const model::RecordTable& table = tables_.indexRecordTable;
        index_.resize(static_cast<std::size_t>(table.rowCount()));
        for (int i = 0; i < table.rowCount(); ++i)
            index_[static_cast<std::size_t>(i)] = {
                table.number(i, Sector), table.number(i, MftReference), table.number(i, Vcn),
                table.number(i, FsNumber), true};
    }

    // Phase 1: a directory named by an index entry (name, parent and creation time
    // alike) takes the entry's MFT number; the first such work row takes it.
    void numberFromIndexEntries() {
        using namespace model::mft_col;
        model::RecordTable& mft = tables_.mftRecordTable;
        std::unordered_map<std::string, std::vector<int>> work;
        std::unordered_map<std::string, std::size_t> taken;
        for (int i = 0; i < mft.rowCount(); ++i)
            if (mft.cellEquals(i, Type, "FOLDER") && mft.number(i, SelfMft) == 0)
                work[workKey(mft.cell(i, Name, kNameCell), mft.number(i, ParentMft),
                             mft.number64(i, Date))]
                    .push_back(i);
        self_.resize(static_cast<std::size_t>(mft.rowCount()));
        for (int i = 0; i < mft.rowCount(); ++i)
            self_[static_cast<std::size_t>(i)] = mft.number(i, SelfMft);

        progress_.phase(SearchPhase::Assignment);
        const std::size_t total = index_.size();
        progress_.position(0, total);
        std::vector<unsigned char> record;
        for (std::size_t j = 0; j < total && !work.empty(); ++j) {
            if (stop_.stop_requested())
                return;
            if (j % kProgressStep == 0)
                progress_.position(j, total);
            if (!readIndexRecord(index_[j].sector, record))
                continue;
            ForEachIndexEntry(
                disk::ByteView(record.data(), record.size()), [&](const IndexEntryKey& entry) {
                    if (!entry.directory)
                        return;
                    const std::string key = workKey(entry.name, entry.parent, entry.created);
                    const auto found = work.find(key);
                    if (found == work.end())
                        return;
                    std::size_t& next = taken[key];
                    self_[static_cast<std::size_t>(found->second[next])] = entry.record;
                    if (++next == found->second.size()) {
                        work.erase(found);
                        taken.erase(key);
                    }
                });
        }
        progress_.position(total, total);
    }

    // The index record at `sector`, cut to whole sectors, fixups applied.
    bool readIndexRecord(std::uint32_t sector, std::vector<unsigned char>& record) {
        unsigned char first[disk::kSectorBytes];
        source_.readSectors(sector, 1, first);
        const std::uint32_t size = IndexRecordBytes(disk::ByteView(first, sizeof first));
        const std::uint32_t sectors = size / disk::kSectorBytes;
        if (size == 0 || sectors == 0)
            return false;
        record.assign(std::size_t{sectors} * disk::kSectorBytes, 0);
        std::copy(first, first + sizeof first, record.begin());
        if (sectors > 1)
            source_.readSectors(std::uint64_t{sector} + 1, sectors - 1,
                                record.data() + disk::kSectorBytes);
        ApplyFixups(record);
        return true;
    }

    // Phase 2: records found one after the other get consecutive numbers after the last
    // known one.
    void numberTheRest() {
        progress_.phase(SearchPhase::AssignmentRunning);
        std::uint32_t running = 1;
        for (std::uint32_t& self : self_) {
            if (self == 0)
                self = running + 1;
            running = self;
        }
    }

    void listDirectories() {
        using namespace model::mft_col;
        const model::RecordTable& mft = tables_.mftRecordTable;
        progress_.phase(SearchPhase::DirectoryList);
        const int rows = mft.rowCount();
        for (int i = 0; i < rows; ++i) {
            // A directory small enough to keep its entries in its record has no index
            // allocation; it is listed all the same (its files need their folder) and
            // placed by where its record lies.
            if (!mft.cellEquals(i, Type, "FOLDER"))
                continue;
            directories_.push_back({mft.number(i, Sector), self_[static_cast<std::size_t>(i)],
                                    mft.number(i, ParentMft), 0, mft.number64(i, Date),
                                    mft.cell(i, Name, kNameCell), mft.number(i, FirstRun)});
        }
        progress_.position(static_cast<std::uint64_t>(rows), static_cast<std::uint64_t>(rows));
        for (std::size_t i = 0; i < directories_.size(); ++i)
            open_.push_back(i);
        result_.directories = static_cast<std::uint32_t>(directories_.size());
    }

    void indexByPlace() {
        for (std::size_t i = 0; i < index_.size(); ++i) {
            if (!index_[i].alive)
                continue;
            bySector_[index_[i].sector].push_back(i);
            byOwner_[index_[i].owner].push_back(i);
        }
    }

    // Whether `sector` begins with "INDX", from the sweep's findings where it looked.
    bool holdsIndexRecord(std::uint64_t sector) {
        if (known_ && known_->covers(sector))
            return known_->holds(sector);
        const auto cached = probed_.find(sector);
        if (cached != probed_.end())
            return cached->second;
        unsigned char bytes[disk::kSectorBytes];
        source_.readSectors(sector, 1, bytes);
        const bool yes = disk::ByteView(bytes, sizeof bytes).matches(0, "INDX");
        probed_.emplace(sector, yes);
        return yes;
    }

    void removeIndexRowAt(std::uint64_t sector) {
        if (sector > UINT32_MAX)
            return;
        const auto rows = bySector_.find(static_cast<std::uint32_t>(sector));
        if (rows == bySector_.end())
            return;
        for (const std::size_t row : rows->second)
            if (index_[row].alive) {
                index_[row].alive = false;
                return;
            }
    }

    // Every kProgressStep directories and at the end of each step.
    void showAssigned(bool always = false) {
        if (always || result_.assigned % kProgressStep == 0)
            progress_.position(result_.assigned, directories_.size());
    }

    // Gives the open directories inside (start, end] whose first index record lies where
    // this volume puts it to the next volume. Arithmetic is 64-bit: a cluster number
    // that would wrap 32 bits never matches by wrap-around.
    bool matchDirectories(std::uint32_t perCluster, std::uint64_t start, std::uint64_t end) {
        bool matched = false;
        std::size_t kept = 0;
        for (const std::size_t i : open_) {
            Directory& dir = directories_[i];
            if (dir.fileSystem == 0 && dir.sector > start && dir.sector <= end) {
                const std::uint64_t at = start + std::uint64_t{perCluster} * dir.firstRun;
                if (holdsIndexRecord(at)) {
                    ++result_.assigned;
                    showAssigned();
                    dir.fileSystem = static_cast<std::uint32_t>(result_.fileSystems + 1);
                    // Rows lie in ascending sector order: one behind `end` is never reached.
                    if (at <= end)
                        removeIndexRowAt(at);
                    matched = true;
                }
            }
            if (dir.fileSystem == 0)
                open_[kept++] = i;
        }
        open_.resize(kept);
        return matched;
    }

    void addFileSystem(std::uint64_t start, std::uint64_t last, std::uint32_t perCluster) {
        using namespace model::boot_col;
        model::RecordTable& systems = tables_.fileSystemTable;
        const int row = systems.appendRow(std::to_string(low32(start)));
        systems.setNumber(row, Spf, low32(last));
        systems.setNumber(row, Spc, perCluster);
        systems.setNumber(row, Cluster0Start, low32(start));
        systems.setCell(row, PartType, "NTFS");
        ++result_.fileSystems;
        volumes_.emplace_back(start, last);
    }

    void volumesFromBootSectors() {
        using namespace model::boot_col;
        tables_.fileSystemTable.clear();
        progress_.phase(SearchPhase::VolumeMatching);
        showAssigned(true);
        const model::RecordTable& boots = tables_.bootSectorTable;
        for (int i = 0; i < boots.rowCount() && !stop_.stop_requested(); ++i) {
            const std::uint64_t start = boots.number(i, Sector);
            const std::uint32_t perCluster = boots.number(i, Spf);
            const std::uint64_t last = start + boots.number(i, RootStart);
            if (matchDirectories(perCluster, start, last))
                addFileSystem(start, last, perCluster);
        }
    }

    // The first index record of a directory: the first live row its MFT number owns.
    std::optional<std::uint32_t> firstIndexSector(std::uint32_t owner) const {
        const auto rows = byOwner_.find(owner);
        if (rows == byOwner_.end())
            return std::nullopt;
        for (const std::size_t row : rows->second)
            if (index_[row].alive && index_[row].fsNumber == kNoVolume)
                return index_[row].sector;
        return std::nullopt;
    }

    void volumesFromPairs() {
        const std::uint64_t last = searchLast_;
        std::set<std::pair<std::uint32_t, std::uint64_t>> failed;
        for (std::size_t o = 0; o < directories_.size(); ++o) {
            if (stop_.stop_requested())
                return;
            Directory& dir = directories_[o];
            if (dir.fileSystem != 0)
                continue;
            const std::optional<std::uint32_t> a = firstIndexSector(dir.self);
            if (dir.firstRun == 0 || !a || *a == 0) {
                dir.fileSystem = kNoVolume;
                continue;
            }
            // Later open directories, in order (the open list is kept in row order).
            const std::vector<std::size_t> later(std::upper_bound(open_.begin(), open_.end(), o),
                                                 open_.end());
            for (const std::size_t m : later) {
                const Directory& other = directories_[m];
                if (other.fileSystem != 0 || other.firstRun == 0)
                    continue;
                const std::optional<std::uint32_t> b = firstIndexSector(other.self);
                if (!b || *b == 0 || *b == *a)
                    continue;
                const auto volume = VolumeFromPair(*a, dir.firstRun, *b, other.firstRun);
                if (!volume || failed.count({volume->sectorsPerCluster, volume->start}))
                    continue;
                // A volume that matched nothing once matches nothing later: the open
                // directories only become fewer.
                if (matchDirectories(volume->sectorsPerCluster, volume->start, last)) {
                    addFileSystem(volume->start, last, volume->sectorsPerCluster);
                    break;
                }
                failed.insert({volume->sectorsPerCluster, volume->start});
            }
        }
    }

    // The first volume whose sectors hold `sector`, 0 for none.
    std::uint32_t volumeHolding(std::uint32_t sector) const {
        for (std::size_t i = 0; i < volumes_.size(); ++i)
            if (sector > volumes_[i].first && sector <= volumes_[i].second)
                return static_cast<std::uint32_t>(i + 1);
        return 0;
    }

    // Directories of no volume of their own take the volume their record lies in, else
    // the number of the one listed before.
    void numberUnplaced() {
        std::uint32_t current = 1;
        for (Directory& dir : directories_) {
            if (dir.fileSystem == kNoVolume || dir.fileSystem == 0) {
                const std::uint32_t holding = volumeHolding(dir.sector);
                if (holding == 0 && dir.fileSystem == 0) {
                    current = 0;
                    continue;
                }
                dir.fileSystem = holding != 0 ? holding : current;
                ++result_.assigned;
                showAssigned();
            } else {
                current = dir.fileSystem;
            }
        }
    }

    void writeTables() {
        using namespace model;
        RecordTable& mft = tables_.mftRecordTable;
        for (int i = 0; i < mft.rowCount() && static_cast<std::size_t>(i) < self_.size(); ++i)
            mft.setNumber(i, mft_col::SelfMft, self_[static_cast<std::size_t>(i)]);

        RecordTable& dirs = tables_.dirClusterTable;
        dirs.clear();
        for (const Directory& dir : directories_) {
            using namespace dircluster_col;
            const int row = dirs.appendRow(std::to_string(dir.sector));
            dirs.setNumber(row, SelfCluster, dir.self);
            dirs.setNumber(row, ParentCluster, dir.parent);
            dirs.setNumber(row, FileSystem, dir.fileSystem);
            dirs.setNumber64(row, Date, dir.date);
            dirs.setCell(row, Time, dir.name);
            dirs.setNumber(row, FirstRun, dir.firstRun);
        }

        RecordTable& index = tables_.indexRecordTable;
        index.clear();
        for (const IndexRow& row : index_) {
            if (!row.alive)
                continue;
            using namespace index_col;
            const int r = index.appendRow(std::to_string(row.sector));
            index.setNumber(r, MftReference, row.owner);
            index.setNumber(r, Vcn, row.vcn);
            index.setNumber(r, FsNumber, row.fsNumber);
        }
    }

    // Names of 255 UTF-16 units take up to 765 bytes of UTF-8.
    static constexpr std::size_t kNameCell = kNameUnits * 3 + 1;

    disk::SectorSource& source_;
    model::RecordTables& tables_;
    std::uint64_t searchLast_;
    const IndexSignatures* known_;
    volume::SearchProgress& progress_;
    std::stop_token stop_;

    AssignmentResult result_;
    std::vector<std::uint32_t> self_;
    std::vector<IndexRow> index_;
    std::vector<Directory> directories_;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> volumes_; // (start, last]
    std::vector<std::size_t> open_; // directories without a volume yet, in row order
    std::unordered_map<std::uint32_t, std::vector<std::size_t>> bySector_;
    std::unordered_map<std::uint32_t, std::vector<std::size_t>> byOwner_;
    std::unordered_map<std::uint64_t, bool> probed_;
};

} // namespace

void ForEachIndexEntry(disk::ByteView bytes,
                       const std::function<void(const IndexEntryKey&)>& visit) {
    const std::uint64_t size = bytes.size();
    std::uint64_t entry = 0x18 + std::uint64_t{bytes.u32(0x18)};
    std::string name;
    while (entry + 0x50 < size) {
        const std::uint32_t units = bytes.u8(entry + 0x50);
        if (units == 0 || !bytes.has(entry + 0x52, std::uint64_t{units} * 2))
            return;
        name = Utf16LeToUtf8(bytes.sub(entry + 0x52, std::uint64_t{units} * 2), units);
        IndexEntryKey key;
        key.record = bytes.u32(entry);
        key.directory = (bytes.u16(entry + 0x4A) & 0x1000) != 0;
        key.parent = bytes.u32(entry + 0x10);
        key.created = static_cast<std::int64_t>(bytes.u64(entry + 0x18));
        key.name = name;
        visit(key);
        const std::uint32_t length = bytes.u16(entry + 8);
        if (length == 0 || entry + length >= size)
            return;
        entry += length;
    }
}

std::optional<PairVolume> VolumeFromPair(std::uint32_t a, std::uint32_t l, std::uint32_t b,
                                         std::uint32_t i) {
    if (i == l || a == b)
        return std::nullopt;
    // Signed 64-bit: a pair whose sectors run the other way than its clusters gives a
    // negative size instead of a wrapped one.
    const std::int64_t sectors = std::int64_t{b} - std::int64_t{a};
    const std::int64_t clusters = std::int64_t{i} - std::int64_t{l};
    const std::int64_t d = sectors / clusters;
    if (d <= 0 || d > 128 || (d & (d - 1)) != 0)
        return std::nullopt;
    const std::int64_t start = std::int64_t{a} - d * std::int64_t{l};
    if (start < 0)
        return std::nullopt;
    return PairVolume{static_cast<std::uint32_t>(d), static_cast<std::uint64_t>(start)};
}

AssignmentResult AssignMftNumbers(disk::SectorSource& source, model::RecordTables& tables,
                                  std::uint64_t searchLast, const IndexSignatures* known,
                                  volume::SearchProgress& progress, std::stop_token stop) {
    return Assignment(source, tables, searchLast, known, progress, std::move(stop)).run();
}

} // namespace qr::ntfs
