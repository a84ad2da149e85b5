#include "picture/picture_win.h"

#include <cstring>

#include "common/error.h"
#include "common/read_file.h"
#include "picture/decode.h"
#include "picture/picture_info.h"

namespace orlscr {

namespace {

// The largest picture file FromFile reads, as much as the slide viewer reads.
constexpr uint64_t kMaxGraphicFileBytes = uint64_t{256} << 20;

// The size of an icon's colour bitmap (or of its mask, which holds the AND and
// the XOR halves of a monochrome icon).
SIZE IconSize(HICON icon) {
    ICONINFO info{};
    if (!icon || !::GetIconInfo(icon, &info))
        return SIZE{0, 0};
    const UniqueBitmap colour(info.hbmColor);
    const UniqueBitmap mask(info.hbmMask);
    BITMAP bm{};
    if (!::GetObject(colour ? colour.get() : mask.get(), sizeof bm, &bm))
        return SIZE{0, 0};
    return SIZE{bm.bmWidth, colour ? bm.bmHeight : bm.bmHeight / 2};
}

}  // namespace

BITMAPINFO TopDownBitmapInfo(int32_t width, int32_t height, WORD bitCount) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = bitCount;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

void DrawBitmapTo(HDC dc, const RECT& target, const Bitmap& bitmap) {
    if (bitmap.IsEmpty())
        return;
    const BITMAPINFO info = TopDownBitmapInfo(bitmap.Width(), bitmap.Height(), 24);
    ::SetStretchBltMode(dc, COLORONCOLOR);
    ::StretchDIBits(dc, target.left, target.top, target.right - target.left, target.bottom - target.top, 0, 0,
                    bitmap.Width(), bitmap.Height(), bitmap.Bits(), &info, DIB_RGB_COLORS, SRCCOPY);
}

void DibSection32::Resize(HDC reference, int32_t width, int32_t height) {
    if (dc_ && width == pixels_.width && height == pixels_.height)
        return;
    if (!dc_) {
        dc_.reset(::CreateCompatibleDC(reference));
        if (!dc_)
            throw Error("Cannot paint the picture");
    }
    const BITMAPINFO info = TopDownBitmapInfo(width, height, 32);
    void* bits = nullptr;
    UniqueBitmap bitmap(::CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits)
        throw Error("Not enough memory to paint the picture");
    // The bitmap in use goes out of the DC before it is deleted.
    selection_.reset();
    bitmap_ = std::move(bitmap);
    selection_ = std::make_unique<SelectedObject>(dc_.get(), bitmap_.get());
    pixels_ = BgrxPixels{static_cast<uint8_t*>(bits), width, height, width * BgrxPixels::kBytesPerPixel};
}

void DibSection32::Swap(DibSection32& other) noexcept {
    std::swap(dc_, other.dc_);
    std::swap(bitmap_, other.bitmap_);
    std::swap(selection_, other.selection_);
    std::swap(pixels_, other.pixels_);
}

// What always holds: width and height are those of the picture and pass
// CheckPictureSize; exactly the member of the kind holds a picture.
struct TGraphic::Content {
    Kind kind = Kind::kNone;
    Bitmap bitmap;
    UniqueIcon icon;
    UniqueEnhMetaFile metafile;
    int32_t width = 0;
    int32_t height = 0;
};

TGraphic TGraphic::Make(std::shared_ptr<Content> content) {
    CheckPictureSize(content->width, content->height);
    TGraphic graphic;
    graphic.content_ = std::move(content);
    return graphic;
}

TGraphic TGraphic::FromBitmap(Bitmap bitmap) {
    auto content = std::make_shared<Content>();
    content->kind = Kind::kBitmap;
    content->width = bitmap.Width();
    content->height = bitmap.Height();
    content->bitmap = std::move(bitmap);
    return Make(std::move(content));
}

TGraphic TGraphic::FromIcon(UniqueIcon icon) {
    auto content = std::make_shared<Content>();
    content->kind = Kind::kIcon;
    const SIZE size = IconSize(icon.get());
    content->width = size.cx;
    content->height = size.cy;
    content->icon = std::move(icon);
    return Make(std::move(content));
}

TGraphic TGraphic::FromEnhMetafile(UniqueEnhMetaFile metafile) {
    // The size comes from the metafile's own bytes, read as a file would be.
    std::vector<uint8_t> bytes(metafile ? ::GetEnhMetaFileBits(metafile.get(), 0, nullptr) : 0);
    if (bytes.empty() || ::GetEnhMetaFileBits(metafile.get(), static_cast<UINT>(bytes.size()), bytes.data()) == 0)
        throw Error(kInvalidMetafile);
    const PictureInfo info = ExaminePicture(bytes.data(), bytes.size());
    if (info.format != PictureFormat::kEnhancedMetafile)
        throw Error(kInvalidMetafile);
    auto content = std::make_shared<Content>();
    content->kind = Kind::kMetafile;
    content->width = info.width;
    content->height = info.height;
    content->metafile = std::move(metafile);
    return Make(std::move(content));
}

TGraphic TGraphic::FromFileBytes(std::string_view text) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const PictureInfo info = ExaminePicture(bytes, text.size());
    auto content = std::make_shared<Content>();
    content->width = info.width;
    content->height = info.height;
    switch (info.format) {
        case PictureFormat::kJpeg:
        case PictureFormat::kBmp:
        case PictureFormat::kPng:
        case PictureFormat::kGif:
            return FromBitmap(DecodePictureFile(bytes, text.size()));
        case PictureFormat::kIcon:
            content->kind = Kind::kIcon;
            content->icon.reset(::CreateIconFromResourceEx(const_cast<BYTE*>(bytes + info.offset),
                                                           static_cast<DWORD>(info.size), TRUE, 0x00030000,
                                                           info.width, info.height, LR_DEFAULTCOLOR));
            if (!content->icon)
                throw Error(kInvalidIcon);
            break;
        case PictureFormat::kEnhancedMetafile:
            content->kind = Kind::kMetafile;
            content->metafile.reset(::SetEnhMetaFileBits(static_cast<UINT>(text.size()), bytes));
            break;
        case PictureFormat::kPlaceableMetafile: {
            // The picture's own size: the records are scaled from it when drawn.
            METAFILEPICT extent{};
            extent.mm = MM_ANISOTROPIC;
            extent.xExt = info.widthHimetric;
            extent.yExt = info.heightHimetric;
            content->kind = Kind::kMetafile;
            content->metafile.reset(
                ::SetWinMetaFileBits(static_cast<UINT>(info.size), bytes + info.offset, nullptr, &extent));
            break;
        }
        case PictureFormat::kUnknown:
            throw Error(kNotAPicture);
    }
    if (content->kind == Kind::kMetafile && !content->metafile)
        throw Error(kInvalidMetafile);
    return Make(std::move(content));
}

TGraphic TGraphic::FromFile(const std::string& path) {
    return FromFileBytes(ReadFileBytes(path, kMaxGraphicFileBytes));
}

TGraphic::Kind TGraphic::GetKind() const {
    return content_ ? content_->kind : Kind::kNone;
}

int32_t TGraphic::Width() const {
    return content_ ? content_->width : 0;
}

int32_t TGraphic::Height() const {
    return content_ ? content_->height : 0;
}

void TGraphic::Draw(HDC dc, const RECT& rect) const {
    if (!content_)
        return;
    switch (content_->kind) {
        case Kind::kBitmap:
            DrawBitmapTo(dc, rect, content_->bitmap);
            break;
        case Kind::kIcon:
            ::DrawIconEx(dc, rect.left, rect.top, content_->icon.get(), rect.right - rect.left,
                         rect.bottom - rect.top, 0, nullptr, DI_NORMAL);
            break;
        case Kind::kMetafile:
            ::PlayEnhMetaFile(dc, content_->metafile.get(), &rect);
            break;
        case Kind::kNone:
            break;
    }
}

Bitmap TGraphic::ToBitmap(COLORREF background) const {
    if (Empty())
        return Bitmap();
    if (content_->kind == Kind::kBitmap)
        return content_->bitmap;
    Bitmap bitmap(Width(), Height());
    const BITMAPINFO info = TopDownBitmapInfo(bitmap.Width(), bitmap.Height(), 24);
    void* bits = nullptr;
    UniqueMemoryDc dc;
    {
        WindowDc screen(nullptr);
        dc.reset(::CreateCompatibleDC(screen.get()));
    }
    UniqueBitmap section(dc ? ::CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr);
    if (!dc || !section || !bits)
        throw Error("Not enough memory for the picture");
    {
        SelectedObject selected(dc.get(), section.get());
        RECT all{0, 0, Width(), Height()};
        const UniqueBrush brush(::CreateSolidBrush(background));
        ::FillRect(dc.get(), &all, brush.get());
        Draw(dc.get(), all);
        ::GdiFlush();
        std::memcpy(bitmap.Bits(), bits, static_cast<size_t>(bitmap.Stride()) * bitmap.Height());
    }
    return bitmap;
}

}  // namespace orlscr
