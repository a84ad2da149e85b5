// The formats the slide viewer does not show, read through the Windows
// Imaging Component: whatever this Windows opens (TIFF always; HEIC, WebP,
// AVIF, JPEG XL and camera raw files with the system's image extensions). An
// animated WebP is composed from its container, frame by frame.

#include <wincodec.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

#include "builder/picture_import.h"
#include "builder/webp_animation.h"
#include "builder/webp_container.h"
#include "common/error.h"
#include "picture/picture_info.h"

namespace orlscr::mkscr {

namespace {

// Owns one reference of a COM object.
template <typename T>
class ComRef {
  public:
    ComRef() = default;
    ~ComRef() {
        if (object_)
            object_->Release();
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    T** Out() { return &object_; }
    T* operator->() const { return object_; }
    T* get() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

  private:
    T* object_ = nullptr;
};

// COM on the calling thread for as long as the object lives (a thread of its
// own, or the builder's main thread).
class ComThread {
  public:
    ComThread() : result_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~ComThread() {
        if (SUCCEEDED(result_))
            CoUninitialize();
    }

  private:
    HRESULT result_;
};

[[noreturn]] void Refuse(ImportFormat format, HRESULT result) {
    if (result == WINCODEC_ERR_COMPONENTNOTFOUND || result == WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT ||
        result == WINCODEC_ERR_UNKNOWNIMAGEFORMAT || result == REGDB_E_CLASSNOTREG)
        throw Error(UnreadableFormatText(format));
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(result));
    throw Error(std::string("The ") + ImportFormatName(format) + " picture is damaged or cannot be read (" + code +
                ")");
}

void Check(ImportFormat format, HRESULT result) {
    if (FAILED(result))
        Refuse(format, result);
}

// A metadata value by query ("/ifd/{ushort=274}"), or VT_EMPTY.
struct Value {
    PROPVARIANT variant;
    Value() { PropVariantInit(&variant); }
    ~Value() { PropVariantClear(&variant); }
};

bool Query(IWICMetadataQueryReader* reader, const wchar_t* name, Value& value) {
    return reader && SUCCEEDED(reader->GetMetadataByName(name, &value.variant)) && value.variant.vt != VT_EMPTY;
}

int Orientation(IWICMetadataQueryReader* reader) {
    for (const wchar_t* name : {L"/app1/ifd/{ushort=274}", L"/ifd/{ushort=274}", L"System.Photo.Orientation"}) {
        Value value;
        if (Query(reader, name, value) && value.variant.vt == VT_UI2)
            return value.variant.uiVal;
    }
    return 1;
}

std::optional<std::string> DateTaken(IWICMetadataQueryReader* reader) {
    for (const wchar_t* name : {L"/app1/ifd/exif/{ushort=36867}", L"/ifd/exif/{ushort=36867}"}) {
        Value value;
        if (Query(reader, name, value) && value.variant.vt == VT_LPSTR && value.variant.pszVal &&
            std::strlen(value.variant.pszVal) >= 19)
            return std::string(value.variant.pszVal, 19);
    }
    return std::nullopt;
}

// The imaging component's factory, with COM on this thread while it lives.
class ImagingFactory {
  public:
    explicit ImagingFactory(ImportFormat format) {
        Check(format, CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                       reinterpret_cast<void**>(factory_.Out())));
    }
    IWICImagingFactory* operator->() const { return factory_.get(); }

  private:
    ComThread com_;  // before the factory, which is released first
    ComRef<IWICImagingFactory> factory_;
};

// The file's first picture, with its frame count; with `metadata`, also
// turned upright and dated as its metadata says.
ImportedPicture Decode(const ImagingFactory& factory, std::string_view bytes, ImportFormat format, bool metadata) {
    ComRef<IWICStream> stream;
    Check(format, factory->CreateStream(stream.Out()));
    Check(format, stream->InitializeFromMemory(reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data())),
                                               static_cast<DWORD>(bytes.size())));
    ComRef<IWICBitmapDecoder> decoder;
    Check(format,
          factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.Out()));
    UINT frames = 0;
    Check(format, decoder->GetFrameCount(&frames));
    if (frames == 0)
        Refuse(format, E_FAIL);
    ComRef<IWICBitmapFrameDecode> frame;
    Check(format, decoder->GetFrame(0, frame.Out()));
    UINT width = 0, height = 0;
    Check(format, frame->GetSize(&width, &height));
    CheckPictureSize(width, height);
    ComRef<IWICFormatConverter> converter;
    Check(format, factory->CreateFormatConverter(converter.Out()));
    Check(format, converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr,
                                        0.0, WICBitmapPaletteTypeCustom));
    ImportedPicture picture;
    picture.width = static_cast<int32_t>(width);
    picture.height = static_cast<int32_t>(height);
    picture.rgba.resize(static_cast<size_t>(width) * height * 4);
    Check(format,
          converter->CopyPixels(nullptr, width * 4, static_cast<UINT>(picture.rgba.size()), picture.rgba.data()));
    for (size_t i = 0; i < picture.rgba.size(); i += 4)  // blue, green, red, alpha into red first
        std::swap(picture.rgba[i], picture.rgba[i + 2]);
    picture.frames = static_cast<int>(frames);
    if (!metadata)
        return picture;
    ComRef<IWICMetadataQueryReader> reader;
    frame->GetMetadataQueryReader(reader.Out());  // none for a file without metadata
    picture.dateTaken = DateTaken(reader.get());
    OrientImported(picture, Orientation(reader.get()));
    return picture;
}

// Each frame of an animated WebP is read as a still WebP of its own: the
// imaging component's WebP codec cannot be relied on for the frames.
WebpStillDecoder StillWebpDecoder(const ImagingFactory& factory) {
    return [&factory](std::string_view still) { return Decode(factory, still, ImportFormat::kWebp, false); };
}

}  // namespace

ImportedPicture ImportPicture(std::string_view bytes, ImportFormat format) {
    if (format == ImportFormat::kNone)
        throw Error(kNotAPicture);
    const ImagingFactory factory(format);
    if (format == ImportFormat::kWebp && IsAnimatedWebp(bytes)) {
        if (std::optional<ImportedPicture> first = FirstWebpFrame(bytes, StillWebpDecoder(factory)))
            return std::move(*first);
    }
    ImportedPicture picture = Decode(factory, bytes, format, true);
    picture.lossless = format == ImportFormat::kTiff;
    FindAlpha(picture);
    return picture;
}

// Animated WebP files are composed from their container; other animations
// give their first frame.
bool ImportAnimation(std::string_view bytes, ImportFormat format, const AnimationReceiver& receiver) {
    if (format != ImportFormat::kWebp)
        return false;
    const ImagingFactory factory(format);
    return ComposeWebpAnimation(bytes, StillWebpDecoder(factory), receiver);
}

// An animated WebP's canvas is in its container; other pictures are known
// once decoded.
std::optional<ImportedSize> ReadImportedSize(std::string_view bytes, ImportFormat format) {
    if (format != ImportFormat::kWebp || !IsAnimatedWebp(bytes))
        return std::nullopt;
    try {
        if (const std::optional<WebpAnimation> animation = ReadWebpContainer(bytes))
            return ImportedSize{animation->width, animation->height, true};
    } catch (const Error&) {
    }
    return std::nullopt;
}

}  // namespace orlscr::mkscr
