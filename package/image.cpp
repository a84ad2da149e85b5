#include "package/image.h"

#include "common/bounded_bytes.h"
#include "common/error.h"
#include "picture/picture_info.h"
#include "package/package_contract.h"
#include "package/trailer.h"

namespace orlscr {

namespace {

// 4-byte size, then that many bytes.
std::string SizePrefixed(std::string_view rest) {
    const BoundedBytes in(rest, kStreamReadError);
    return std::string(in.Text(4, in.U32(0)));
}

}  // namespace

bool TImage::ReadProperty(std::string_view path, ComponentReader& reader) {
    if (!SameIdent(path, "Picture.Data"))
        return false;
    pictureData = reader.ReadBinary();
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
    const PreviewClass* kind = FindPreviewClass(className);
    if (kind == nullptr)
        return picture;  // not a class that can be drawn: no picture
    switch (kind->framing) {
        case PictureFraming::kSizePrefixed:
            picture.data = SizePrefixed(rest);
            break;
        case PictureFraming::kWhole:
            picture.data = std::string(rest);
            break;
        case PictureFraming::kSizeWithSelf: {
            const BoundedBytes in(rest, kStreamReadError);
            const uint32_t length = in.U32(0);
            if (length > 4) {
                picture.data = std::string(in.Text(4, length - 4));
                picture.enhancedMetafile = RecognisePicture(picture.data) == PictureFormat::kEnhancedMetafile;
            }
            break;
        }
    }
    picture.className = std::move(className);
    return picture;
}

std::string MakePictureData(std::string_view className, std::string_view fileBytes) {
    std::string value;
    value += static_cast<char>(className.size());
    value += className;
    const PreviewClass* kind = FindPreviewClass(className);
    switch (kind != nullptr ? kind->framing : PictureFraming::kSizePrefixed) {
        case PictureFraming::kWhole:
            value += fileBytes;
            break;
        case PictureFraming::kSizeWithSelf:
            value += Le32Bytes(static_cast<uint32_t>(fileBytes.size() + 4));
            value += fileBytes;
            break;
        case PictureFraming::kSizePrefixed:
            value += Le32Bytes(static_cast<uint32_t>(fileBytes.size()));
            value += fileBytes;
            break;
    }
    return value;
}

std::optional<PictureBytes> ReadPreviewImage(InputFile& file) {
    const std::optional<int32_t> fieldA = ReadTrailerFieldA(file);
    if (!fieldA)
        return std::nullopt;
    ByteReader in(file, PreviewStreamOffset(file.Size(), *fieldA));
    ComponentReader reader(in, DefaultClassTable());
    std::unique_ptr<StreamObject> object = reader.ReadRootComponent(nullptr);
    if (object->ClassName() != TImage::kClassName)
        return std::nullopt;
    return ParsePictureData(static_cast<const TImage*>(object.get())->pictureData);
}

std::optional<PictureBytes> ReadPreviewPicture(InputFile& file) {
    const std::optional<int32_t> fieldA = ReadTrailerFieldA(file);
    if (!fieldA)
        return std::nullopt;
    return ReadPreviewImage(file).value_or(PictureBytes{});
}

}  // namespace orlscr
