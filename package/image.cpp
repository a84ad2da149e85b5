#include "package/image.h"

#include <cstring>

#include "common/error.h"
#include "package/trailer.h"

namespace orlscr {

namespace {

uint32_t Le32(std::string_view bytes) {
    return uint32_t{static_cast<unsigned char>(bytes[0])} | (uint32_t{static_cast<unsigned char>(bytes[1])} << 8) |
           (uint32_t{static_cast<unsigned char>(bytes[2])} << 16) |
           (uint32_t{static_cast<unsigned char>(bytes[3])} << 24);
}

std::string Le32Bytes(uint32_t v) {
    std::string s(4, '\0');
    for (int k = 0; k < 4; ++k)
        s[static_cast<size_t>(k)] = static_cast<char>((v >> (8 * k)) & 0xFF);
    return s;
}

// 4-byte size, then that many bytes.
std::string SizePrefixed(std::string_view rest) {
    if (rest.size() < 4)
        throw Error(kStreamReadError);
    uint32_t size = Le32(rest);
    if (size > rest.size() - 4)
        throw Error(kStreamReadError);
    return std::string(rest.substr(4, size));
}

bool IsEnhancedMetafile(std::string_view data) {
    // EMR_HEADER record (type 1) with the " EMF" signature at offset 40.
    return data.size() >= 44 && Le32(data) == 1 && data.substr(40, 4) == " EMF";
}

}  // namespace

bool TImage::ReadProperty(std::string_view path, ComponentReader& reader) {
    if (!SameIdent(path, "Picture.Data"))
        return false;
    PictureData = reader.ReadBinary();
    return true;
}

PictureBytes ParsePictureData(std::string_view value) {
    PictureBytes picture;
    if (value.empty())
        return picture;
    size_t n = static_cast<unsigned char>(value[0]);
    if (n == 0)
        return picture;
    if (value.size() < 1 + n)
        throw Error(kStreamReadError);
    std::string className(value.substr(1, n));
    std::string_view rest = value.substr(1 + n);
    if (className == "TJPEGImage" || className == "TBitmap") {
        picture.data = SizePrefixed(rest);
    } else if (className == "TIcon") {
        picture.data = std::string(rest);
    } else if (className == "TMetafile") {
        if (rest.size() < 4)
            throw Error(kStreamReadError);
        uint32_t length = Le32(rest);
        if (length > 4) {
            if (length - 4 > rest.size() - 4)
                throw Error(kStreamReadError);
            picture.data = std::string(rest.substr(4, length - 4));
            picture.enhancedMetafile = IsEnhancedMetafile(picture.data);
        }
    } else {
        return picture;  // not a class that can be drawn: no picture
    }
    picture.className = std::move(className);
    return picture;
}

std::string MakePictureData(std::string_view className, std::string_view fileBytes) {
    std::string value;
    value += static_cast<char>(className.size());
    value += className;
    if (className == "TIcon") {
        value += fileBytes;
    } else if (className == "TMetafile") {
        value += Le32Bytes(static_cast<uint32_t>(fileBytes.size() + 4));
        value += fileBytes;
    } else {
        value += Le32Bytes(static_cast<uint32_t>(fileBytes.size()));
        value += fileBytes;
    }
    return value;
}

std::optional<PictureBytes> ReadPreviewPicture(InputFile& file) {
    auto fieldA = ReadTrailerFieldA(file);
    if (!fieldA)
        return std::nullopt;
    ByteReader in(file, PreviewStreamOffset(file.Size(), *fieldA));
    ComponentReader reader(in, DefaultClassTable());
    std::unique_ptr<StreamObject> object = reader.ReadRootComponent(nullptr);
    if (object->ClassName() != TImage::kClassName)
        return PictureBytes{};
    return ParsePictureData(static_cast<TImage*>(object.get())->PictureData);
}

}  // namespace orlscr
