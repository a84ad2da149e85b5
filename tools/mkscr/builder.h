#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "package/settings_record.h"

namespace orlscr::mkscr {

// One embedded file: read from `path`, or taken from `bytes` when it is made
// in memory; stored under `storedName` (system code page, no folder).
struct InputEntry {
    std::string path;
    std::string storedName;
    std::optional<std::string> bytes;
};

// Everything a package is made of. The record's texts and switches are taken
// as they are; its file lists and hook fields are filled in by BuildPackage.
struct PackageContents {
    std::string player;
    TSSFileLocations record;
    std::vector<InputEntry> presentation;  // the document first
    std::vector<InputEntry> sounds;
    std::optional<std::string> hook;     // no hook library when absent
    std::optional<std::string> preview;  // picture file
    std::string output;
};

struct BuildResult {
    int64_t size = 0;
    int32_t fieldA = 0;
    int32_t fieldB = 0;
    std::string previewClass;  // empty without preview
};

// The largest package the record can describe: offsets and sizes are signed
// 32-bit integers.
constexpr int64_t kMaxPackageSize = 2147483647;

// Writes the package: the player's image, the preview stream (when there is a
// picture), the presentation files, the sound tracks, the hook library, the
// settings record and the trailer. Everything is checked before the output is
// touched; the output is written to a temporary file beside it and renamed at
// the end, so a failure leaves no partial file. Throws Error with a message
// for the user.
BuildResult BuildPackage(const PackageContents& contents);

// The last part of a path (after the last '/', or '\' on Windows).
std::string BaseName(const std::string& path);

}  // namespace orlscr::mkscr
