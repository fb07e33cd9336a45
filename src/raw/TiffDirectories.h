#pragma once
// The directories (IFDs) of a TIFF-based file, such as the raw pictures of cameras
// (CR2, NEF, ARW, DNG): the file ends with the last byte that a directory names, be it
// an image strip or tile, an embedded JPEG, a sub-directory, the EXIF directory, a
// directory table itself or a value kept outside its entry. Panasonic RW2 and Olympus
// ORF files are TIFF directories behind magic numbers of their own (one whose raw data
// has a byte count of 0, running to an end no field gives, has no length). Directory
// offsets are followed once each and their number is bounded, so loops end.
#include "raw/MediaLength.h"

namespace qr::raw {

inline constexpr unsigned kMaxTiffDirectories = 256;

// "II*\0" or "MM\0*" with a first-directory offset inside a sector-sized head.
bool LooksLikeTiff(const unsigned char* bytes, std::size_t size);
// The same head with the magic numbers of Panasonic ("IIU\0") and Olympus ("IIRO",
// "IIRS", "MMOR") raw files, whose directories are TIFF's.
bool LooksLikeRw2(const unsigned char* bytes, std::size_t size);
bool LooksLikeOrf(const unsigned char* bytes, std::size_t size);

// The length, with ".CR2", ".NEF", ".ARW", ".DNG" or ".TIF" after what the file says
// it is. nullopt when a directory is broken, names bytes behind the limit, or the file
// holds no image data.
std::optional<MediaLength> TiffLength(const FileBytesReader& read, std::uint64_t limit);
std::optional<MediaLength> Rw2Length(const FileBytesReader& read, std::uint64_t limit);
std::optional<MediaLength> OrfLength(const FileBytesReader& read, std::uint64_t limit);

} // namespace qr::raw
