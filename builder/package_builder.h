#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "builder/scratch_file.h"
#include "package/settings_record.h"

namespace orlscr::mkscr {

// One embedded file: read from `path` (UTF-8), or taken from `bytes` when it
// is made in memory; stored under `storedName` (record text, no folder).
struct InputEntry {
    std::string path;
    std::string storedName;
    std::optional<std::string> bytes;
    // Or taken from a piece of a scratch file (a picture made for the package).
    std::optional<ScratchPiece> piece = std::nullopt;
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
    // A picture made in memory, stored when there is no `preview` file.
    std::optional<std::string> madePreview;
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

// How far a build is: files and bytes of the package written out of the total.
struct BuildProgress {
    int filesDone = 0;
    int filesTotal = 0;
    int64_t bytesDone = 0;
    int64_t bytesTotal = 0;
};
using ProgressReport = std::function<void(const BuildProgress&)>;

// Writes the package: the player's image, the preview stream (when there is a
// picture), the presentation files, the sound tracks, the hook library, the
// settings record and the trailer. Everything is checked before the output is
// touched: every stored name (the player's own rule for embedded names), that
// no input is the output file itself, and that every input can be read and
// how large it is. Each input is then opened only while it is copied, so any
// number of files needs the same few handles. The output appears only when
// complete (OutputFile), so a failure leaves no partial file. `progress`, when
// given, hears of every piece written. Throws Error with a message for the user.
BuildResult BuildPackage(const PackageContents& contents, const ProgressReport& progress = nullptr);

// The last part of a path (after the last '/', or '\' on Windows).
std::string BaseName(const std::string& path);

}  // namespace orlscr::mkscr
