#include "model/MediaTypeLabels.h"

#include "volume/FileExtension.h"

namespace qr::model {

namespace {

struct MediaLabel {
    std::string_view extension; // lower case
    std::string_view label;
};

constexpr MediaLabel kMediaLabels[] = {
    {"jpg", "JPEG Image"},          {"jpeg", "JPEG Image"},       {"jpe", "JPEG Image"},
    {"png", "PNG Image"},           {"gif", "GIF Image"},         {"bmp", "Bitmap Image"},
    {"tif", "TIFF Image"},          {"tiff", "TIFF Image"},       {"webp", "WebP Image"},
    {"heic", "HEIF Image"},         {"heif", "HEIF Image"},       {"cr2", "Canon Raw Image"},
    {"cr3", "Canon Raw Image"},     {"nef", "Nikon Raw Image"},   {"arw", "Sony Raw Image"},
    {"dng", "DNG Raw Image"},       {"orf", "Olympus Raw Image"}, {"rw2", "Panasonic Raw Image"},
    {"mp4", "MP4 Video"},           {"m4v", "MP4 Video"},         {"mov", "QuickTime Video"},
    {"3gp", "3GP Video"},           {"avi", "AVI Video"},         {"mkv", "Matroska Video"},
    {"webm", "WebM Video"},         {"mts", "AVCHD Video"},       {"m2ts", "AVCHD Video"},
    {"mpg", "MPEG Video"},          {"mpeg", "MPEG Video"},       {"wmv", "Windows Media Video"},
    {"mp3", "MP3 Audio"},           {"wav", "WAVE Audio"},        {"m4a", "MPEG-4 Audio"},
    {"aac", "AAC Audio"},           {"flac", "FLAC Audio"},       {"ogg", "Ogg Audio"},
    {"wma", "Windows Media Audio"}, {"amr", "AMR Audio"},
};

} // namespace

std::optional<std::string> MediaTypeLabel(std::string_view name, bool deleted) {
    const std::string extension = volume::LowerExtension(name);
    if (extension.empty())
        return std::nullopt;
    for (const MediaLabel& known : kMediaLabels)
        if (known.extension == extension)
            return (deleted ? "Deleted " : "") + std::string(known.label);
    return std::nullopt;
}

} // namespace qr::model
