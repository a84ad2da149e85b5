#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "package/input_file.h"
#include "package/stream_reader.h"

namespace orlscr {

// The picture holder of the preview stream. Of its properties only the binary
// "Picture.Data" is kept; every other one is read past.
class TImage : public StreamObject {
  public:
    static constexpr std::string_view kClassName = "TImage";

    std::string pictureData;  // the raw value of "Picture.Data"; empty without one

    std::string_view ClassName() const override { return kClassName; }
    bool ReadProperty(std::string_view path, ComponentReader& reader) override;
};

// A picture taken out of "Picture.Data". The bytes are those of a file of the
// kind: a JPEG file for "TJPEGImage", a bitmap file ("BM...") for "TBitmap", an
// icon file for "TIcon", and for "TMetafile" an enhanced metafile (when
// `enhancedMetafile`) or else a placeable metafile. Decoding is the caller's.
struct PictureBytes {
    std::string className;  // empty: no picture
    std::string data;       // empty: an empty picture of that class
    bool enhancedMetafile = false;

    bool Empty() const { return className.empty() || data.empty(); }
};

// Splits "Picture.Data": a class-name length byte (0: no picture), the class
// name, then the class's data, framed as kPreviewClasses
// (package/package_contract.h) says. A class that table lacks gives no
// picture; data cut short throws "Stream read error".
PictureBytes ParsePictureData(std::string_view value);

// The value the builder stores for a picture file of the given class: the
// inverse of ParsePictureData.
std::string MakePictureData(std::string_view className, std::string_view fileBytes);

// The preview picture of a package: field A of the trailer leads to a stream
// holding one object, created through the class table. Nothing when the file
// is shorter than the trailer, or when the object is not an image: then there
// is no picture to show and the preview has nothing to wait for. An image
// without a picture (or with one of a class that cannot be drawn) gives an
// empty picture. Stream errors throw, as a package without preview whose field
// A leads to an embedded file does ("Invalid stream format").
std::optional<PictureBytes> ReadPreviewImage(InputFile& file);

// ReadPreviewImage for reports of what a package stores, where an object that
// is not an image counts as an empty picture rather than as no stream.
std::optional<PictureBytes> ReadPreviewPicture(InputFile& file);

}  // namespace orlscr
