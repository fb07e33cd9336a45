// A file system brought by the test alone: one registry row and a tiny engine over an
// in-memory medium. Recognition, validation, the search, the file list, counting and
// saving reach it only through the registry, which is what keeps a new file system to
// its folder and its row.
#include "app/EngineHooks.h"
#include "app/FolderCommands.h"
#include "app/PartitionCommands.h"
#include "app/PartitionTypeSelector.h"
#include "app/ReadFailureNotice.h"
#include "app/RecoveryContext.h"
#include "app/SaveCommands.h"
#include "app/ScanDriver.h"
#include "disk/SectorReader.h"
#include "model/FileList.h"
#include "model/LostDirectories.h"
#include "model/TreeChecks.h"
#include "support/MemoryDevice.h"
#include "support/ScriptedMessages.h"
#include "support/TestSupport.h"
#include "volume/BootSectorCheck.h"
#include "volume/EngineRegistry.h"
#include "volume/RunWriter.h"
#include "volume/VolumeValidation.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

namespace qr::test {
namespace {

constexpr auto kStubKind = static_cast<volume::FileSystemKind>(77);
constexpr std::uint32_t kDocsKey = 7;

// The medium: a boot sector naming "STUBFS", the root's file at sector 10 and the
// DOCS folder's file at sector 20.
std::vector<unsigned char> stubMedium() {
    std::vector<unsigned char> bytes(64 * 512, 0);
    std::memcpy(bytes.data() + 3, "STUBFS", 6);
    bytes[510] = 0x55;
    bytes[511] = 0xAA;
    for (std::size_t i = 0; i < 600; ++i)
        bytes[10 * 512 + i] = static_cast<unsigned char>('a' + i % 26);
    std::memcpy(bytes.data() + 20 * 512, "inside docs", 11);
    return bytes;
}

class StubEngine final : public volume::VolumeEngine {
public:
    explicit StubEngine(disk::SectorSource& source) : source_(source) {}
    volume::FileSystemKind kind() const override { return kStubKind; }
    std::uint32_t rootKey() const override { return 0; }
    void listFiles(std::uint32_t key, bool folderDeleted,
                   const std::function<bool(const volume::FolderFile&)>& visit) override {
        volume::FolderFile file;
        file.deleted = folderDeleted;
        if (key == 0) {
            file.name = "README.TXT";
            file.size = 600;
            file.location = 10;
        } else if (key == kDocsKey) {
            file.name = "A.TXT";
            file.size = 11;
            file.location = 20;
            file.deleted = true;
        } else {
            return;
        }
        file.validLength = file.size;
        visit(file);
    }
    volume::ExtractReport extract(const volume::FolderFile& file, volume::FileSink& sink,
                                  const volume::ExtractOptions&) override {
        volume::RunWriter writer(source_, sink, file.size);
        writer.sectors(file.location, (file.size + 511) / 512);
        return writer.finish();
    }
    std::string formatDate(const volume::EntryTimestamp&) const override { return "01-02-2020"; }
    std::string formatTime(const volume::EntryTimestamp&) const override { return "12:34 PM"; }

private:
    disk::SectorSource& source_;
};

std::optional<volume::BootSectorVolume> recogniseStub(disk::ByteView sector) {
    if (!sector.matches(3, "STUBFS"))
        return std::nullopt;
    return volume::BootSectorVolume{kStubKind, 64, 1};
}

int validateStub(disk::SectorSource* source, volume::VolumeParams& params, std::string* why) {
    unsigned char sector[512];
    if (source &&
        source->readSectors(params.partitionStart, 1, sector) == disk::ReadStatus::Complete &&
        recogniseStub(disk::ByteView(sector, sizeof sector)))
        return 1;
    if (why)
        *why = "no STUBFS boot sector";
    return 0;
}

bool stubSearch(app::RecoveryContext& ctx, std::stop_token) {
    model::InsertLostFolderRow(ctx.tables.folderTable, 0);
    ctx.tables.folderTable.appendCells(
        {"DOCS", "0", std::to_string(kDocsKey), "0", "0", "0", "0", "16", "0", "FOLDER"});
    return true;
}

void stubTree(app::RecoveryContext& ctx) {
    app::BuildTreeCaptioned(ctx, model::TreeVariant::ExFat);
}

std::unique_ptr<volume::VolumeEngine> openStub(app::RecoveryContext& ctx, volume::FileSystemKind,
                                               bool) {
    return ctx.reader ? std::make_unique<StubEngine>(*ctx.reader) : nullptr;
}

const app::EngineHooks kStubHooks{.standardSearch = stubSearch,
                                  .buildTree = stubTree,
                                  .openEngine = openStub,
                                  .logTree = model::TreeVariant::ExFat};

const volume::EngineRow kStubRow{.kind = kStubKind,
                                 .name = "STUBFS",
                                 .traits = {.rootKey = 0, .typeSelectorEntry = 5},
                                 .recognise = recogniseStub,
                                 .validate = validateStub,
                                 .notSearched = {},
                                 .hooks = &kStubHooks};

struct StubVolume {
    StubVolume() {
        medium.bytes = stubMedium();
        auto opener = std::make_shared<MemoryOpener>();
        opener->add("stub", medium);
        ctx.messages = &messages;
        ctx.reader = app::MakeSectorReader(ctx, opener);
        ctx.reader->paths().setName(0, "stub");
        ctx.volumeParams.fileSystemName = "STUBFS";
        ctx.volumeParams.partitionStart = 0;
        ctx.volumeParams.partitionEnd = 63;
        ctx.searchMode = app::kSearchStandard;
    }
    std::vector<std::string> listed(model::TreeItem item) {
        app::ListFolder(ctx, item, model::kMouseFolderLabels);
        std::vector<std::string> rows;
        for (const model::FileListRow& row : ctx.fileList.rows())
            rows.push_back(row.cells[model::file_col::Name] + " " +
                           row.cells[model::file_col::Type] + " " +
                           row.cells[model::file_col::Size]);
        return rows;
    }
    MemoryMedium medium;
    ScriptedMessages messages;
    app::RecoveryContext ctx;
};

std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(StubFileSystem, IsRecognisedValidatedSearchedListedCountedAndSavedThroughItsRowAlone) {
    const volume::ScopedEngineRow row(kStubRow);
    const std::vector<unsigned char> bytes = stubMedium();
    const auto found = volume::RecogniseBootSector({bytes.data(), 512}, 0, 64);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->kind, kStubKind);
    EXPECT_EQ(volume::FileSystemName(kStubKind), "STUBFS");
    EXPECT_EQ(app::PartitionTypeOfEntry(5), kStubKind);

    StubVolume v;
    ASSERT_EQ(app::ValidateVolume(v.ctx), 1);
    v.ctx.validationSucceeded = true;
    app::ScanWorker(v.ctx, {});
    const model::TreeItem root = v.ctx.recoveryTree.firstTopLevel();
    ASSERT_NE(root, model::kNoItem);
    EXPECT_EQ(v.listed(root), (std::vector<std::string>{"Lost FOLDER 0", "DOCS FOLDER 0",
                                                        "README.TXT Text file 600"}));
    const model::FolderNode* docs = nullptr;
    for (const model::FolderNode& node : v.ctx.folderNodes)
        if (node.selfKey == kDocsKey)
            docs = &node;
    ASSERT_NE(docs, nullptr);
    EXPECT_EQ(v.listed(docs->treeItem), (std::vector<std::string>{"A.TXT Deleted Text file 11"}));

    model::ToggleCheck(v.ctx.recoveryTree, root);
    v.ctx.save.saveSource = output::kSaveSourceTree;
    app::CountSaveSelection(v.ctx);
    EXPECT_EQ(v.ctx.save.counters.filesToSave, 2u);
    EXPECT_EQ(v.ctx.save.counters.bytesToSave, 611u);

    TempDir out;
    v.ctx.save.destinationFolder = out.path().string();
    app::WriteSavePlan(v.ctx);
    EXPECT_EQ(v.ctx.save.summary.written, 2u);
    EXPECT_EQ(fileText(out / "README.TXT"),
              std::string(reinterpret_cast<const char*>(bytes.data()) + 10 * 512, 600));
    EXPECT_EQ(fileText(out.path() / "DOCS" / "A.TXT"), "inside docs");
}

TEST(StubFileSystem, AFileSystemTheRegistryDoesNotKnowIsRefusedWithAMessage) {
    StubVolume v; // no row added: "STUBFS" is unknown
    std::string why;
    EXPECT_EQ(volume::ValidateVolume(v.ctx.reader.get(), v.ctx.volumeParams, &why), 0);
    EXPECT_FALSE(why.empty());
    app::ScanWorker(v.ctx, {});
    EXPECT_EQ(v.ctx.recoveryTree.firstTopLevel(), model::kNoItem);
    ASSERT_EQ(v.messages.texts().size(), 1u);
    EXPECT_NE(v.messages.texts()[0].find("STUBFS"), std::string::npos);
    EXPECT_EQ(app::EngineFor(v.ctx), nullptr);
    EXPECT_FALSE(volume::RecogniseBootSector({stubMedium().data(), 512}, 0, 64));
}

} // namespace
} // namespace qr::test
