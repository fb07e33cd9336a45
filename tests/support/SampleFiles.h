#pragma once
// The files the partitioned test disks put on each volume, and how they are written
// into a mounted volume or a staging folder.
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

namespace qr::test {

// Writes `content` to `path`, making its folders.
void WriteFileAt(const std::filesystem::path& path, const std::string& content);

// A small file, one over many clusters and one in a folder (short upper-case names,
// as FAT keeps them).
std::map<std::string, std::string> SampleVolumeFiles(std::uint32_t seed);

// The file each volume gets and loses again; FAT's deleted entry has lost its first
// letter.
inline const std::string kGoneFile = "GONE.JPG";
std::string GoneFileContent(std::uint32_t seed);

// Writes `files` below `root` (where a volume is mounted), then the `deleted` ones
// (path -> content), which it removes again.
void FillMountedVolume(const std::filesystem::path& root,
                       const std::map<std::string, std::string>& files,
                       const std::map<std::string, std::string>& deleted);

// Copies `files` and then the gone file into the FAT volume at `at` ("image@@offset")
// through mtools, staged in `staging`, and deletes the gone file again.
bool FillFatThroughMtools(const std::string& at, const std::map<std::string, std::string>& files,
                          const std::string& gone, const std::filesystem::path& staging,
                          std::string& why);

} // namespace qr::test
