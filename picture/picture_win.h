#pragma once

// TGraphic: a picture of one of the kinds the programs show, as the platform
// draws it. Bitmaps (JPEG, PNG, GIF and BMP files are decoded into one), icons
// and metafiles (enhanced, or placeable ones turned into enhanced) keep their
// GDI handle and release it with the last copy; copies share the content,
// which never changes after creation. Every kind has a size within the
// picture limits, so it can always be turned into a Bitmap.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/win/unique.h"
#include "raster/bgrx.h"
#include "raster/bitmap.h"

namespace orlscr {

class TGraphic {
  public:
    enum class Kind { kNone, kBitmap, kIcon, kMetafile };

    TGraphic() = default;
    static TGraphic FromBitmap(Bitmap bitmap);
    // Take ownership of the handle. Throw "The picture is too large" for a
    // handle whose size is beyond the picture limits.
    static TGraphic FromIcon(UniqueIcon icon);
    static TGraphic FromEnhMetafile(UniqueEnhMetaFile metafile);
    // JPEG, PNG, GIF, BMP, icon (.ico), enhanced or placeable metafile, by the
    // content. Throws Error with a clear text for anything else.
    static TGraphic FromFileBytes(std::string_view bytes);
    static TGraphic FromFileBytes(const std::vector<uint8_t>& bytes) {
        return FromFileBytes(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }
    static TGraphic FromFile(const std::string& path);

    Kind GetKind() const;
    bool Empty() const { return GetKind() == Kind::kNone || Width() <= 0 || Height() <= 0; }
    int32_t Width() const;
    int32_t Height() const;

    // Draws the graphic into `rect` of `dc`, stretched to it.
    void Draw(HDC dc, const RECT& rect) const;
    // The graphic at its natural size as a 24-bit bitmap over `background`.
    Bitmap ToBitmap(COLORREF background) const;

  private:
    struct Content;
    static TGraphic Make(std::shared_ptr<Content> content);
    std::shared_ptr<const Content> content_;
};

// The header of a top-down device-independent bitmap (rows in the order of
// Bitmap's), uncompressed, of `bitCount` bits a pixel (24 or 32).
BITMAPINFO TopDownBitmapInfo(int32_t width, int32_t height, WORD bitCount);

// Draws a 24-bit bitmap into `target` of `dc`, stretched with nearest pixels.
void DrawBitmapTo(HDC dc, const RECT& target, const Bitmap& bitmap);

// A 32-bit top-down DIB section selected into a memory DC of its own: a frame
// the program writes straight into (Pixels) and GDI draws on (Dc), and that a
// BitBlt from Dc puts on the display without converting its pixels. After
// GDI drawing, GdiFlush comes before the pixels are touched directly.
class DibSection32 {
  public:
    DibSection32() = default;
    DibSection32(const DibSection32&) = delete;
    DibSection32& operator=(const DibSection32&) = delete;

    // Makes it width x height, compatible with `reference`; the content is
    // undefined after a change of size. Throws Error when out of memory.
    void Resize(HDC reference, int32_t width, int32_t height);

    // Exchanges two sections whole, each picture with its DC: no GDI call,
    // where selecting each picture into the other's DC would take four (a
    // tenth of a millisecond under Wine).
    void Swap(DibSection32& other) noexcept;

    HDC Dc() const { return dc_.get(); }
    const BgrxPixels& Pixels() const { return pixels_; }
    int32_t Width() const { return pixels_.width; }
    int32_t Height() const { return pixels_.height; }

  private:
    UniqueMemoryDc dc_;
    UniqueBitmap bitmap_;
    // bitmap_ selected into dc_; declared after both, so that it puts the DC's
    // first bitmap back before either is deleted.
    std::unique_ptr<SelectedObject> selection_;
    BgrxPixels pixels_;
};

}  // namespace orlscr
