#pragma once

// What the package's programs agree on: the builder writes these names and
// values into a package, the player reads them back (maybe years later, from a
// package built by an older builder), and the entry point and the saver pass
// them between each other. Each is written here only; a change breaks the
// packages already made.

#include <cstdint>
#include <string_view>

#include "picture/picture_info.h"

namespace orlscr {

// The name under which a package carries its presentation viewer; the player
// starts the file of that name from the temporary folder.
inline constexpr const char* kViewerFileName = "PPTVIEW.EXE";

// The hook library's file name: as the build makes it, as the builder looks
// for it beside itself, and as the player writes it to the system folder.
inline constexpr const char* kHookLibraryFileName = "orlscrhook.dll";
// The same without its extension, as the player loads it (the loader adds
// ".dll") and names it when it cannot.
inline constexpr std::string_view kHookLibraryModuleName =
    std::string_view(kHookLibraryFileName).substr(0, std::string_view(kHookLibraryFileName).size() - 4);
static_assert(std::string_view(kHookLibraryFileName).substr(kHookLibraryModuleName.size()) == ".dll");

// The record's kind of content ("Ver") that marks a presentation package:
// only that exact text gives a run music and a viewer.
inline constexpr const char* kPresentationContentKind = "powerpoint";

// The four ways the platform starts a screen saver. The values are those of the
// process-wide StartMode byte that the entry point sets and the saver reads.
enum : uint8_t {
    kPasswordMode = 0,
    kPreviewMode = 1,
    kSettingsMode = 2,
    kRunMode = 3,
};

// How a class stores a picture file's bytes in "Picture.Data", after the class
// name.
enum class PictureFraming : uint8_t {
    kSizePrefixed,  // a 4-byte size, then the file
    kWhole,         // the file alone
    kSizeWithSelf,  // a 4-byte size that counts itself, then the file
};

// One picture class a preview picture can be stored as, with the kind of file
// its data must be. A class with two rows (the metafile) holds either kind.
struct PreviewClass {
    const char* className;    // as stored in "Picture.Data"
    const char* description;  // for messages and help
    PictureFormat format;
    PictureFraming framing;
};

// Every class the builder stores and the player draws; rows of one class
// share its framing.
inline constexpr PreviewClass kPreviewClasses[] = {
    {"TJPEGImage", "JPEG", PictureFormat::kJpeg, PictureFraming::kSizePrefixed},
    {"TBitmap", "BMP", PictureFormat::kBmp, PictureFraming::kSizePrefixed},
    {"TIcon", "icon", PictureFormat::kIcon, PictureFraming::kWhole},
    {"TMetafile", "enhanced metafile", PictureFormat::kEnhancedMetafile, PictureFraming::kSizeWithSelf},
    {"TMetafile", "placeable metafile", PictureFormat::kPlaceableMetafile, PictureFraming::kSizeWithSelf},
};

// The row of the class `className`, or nullptr for a class that no row names.
// Of the metafile's two rows, `enhancedMetafile` picks the enhanced one, else
// the placeable one.
constexpr const PreviewClass* FindPreviewClass(std::string_view className, bool enhancedMetafile = false) {
    const PreviewClass* found = nullptr;
    for (const PreviewClass& row : kPreviewClasses) {
        if (className != row.className)
            continue;
        if ((row.format == PictureFormat::kEnhancedMetafile) == enhancedMetafile)
            return &row;
        if (found == nullptr)
            found = &row;
    }
    return found;
}
static_assert(FindPreviewClass("TMetafile")->format == PictureFormat::kPlaceableMetafile &&
              FindPreviewClass("TMetafile", true)->format == PictureFormat::kEnhancedMetafile &&
              FindPreviewClass("TMetafile")->framing == FindPreviewClass("TMetafile", true)->framing &&
              FindPreviewClass("TJPEGImage", true)->format == PictureFormat::kJpeg && !FindPreviewClass("TPicture"));

}  // namespace orlscr
