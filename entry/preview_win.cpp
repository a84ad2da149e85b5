// Preview mode: draws the package's preview picture once into the display
// settings' preview window and stays, without a window of its own, until that
// window is hidden.

#include <windows.h>

#include <optional>

#include "common/error.h"
#include "common/trace.h"
#include "common/win/message_pump.h"
#include "common/win/unique.h"
#include "entry/preview.h"
#include "entry/preview_mode_win.h"
#include "package/image.h"
#include "package/own_file_win.h"
#include "transition/picture_decode.h"

namespace orlscr {
namespace {

// Pause between two looks at the preview window, so the waits do not spin.
constexpr DWORD kPollPause = 20;

// A 24-bit top-down bitmap stretched into (0, 0)-(width, height).
void DrawBitmap(HDC dc, const Bitmap& bitmap, const PreviewSize& size) {
    if (bitmap.IsEmpty())
        return;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = bitmap.Width();
    info.bmiHeader.biHeight = -bitmap.Height();  // rows top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    ::SetStretchBltMode(dc, COLORONCOLOR);
    ::StretchDIBits(dc, 0, 0, size.width, size.height, 0, 0, bitmap.Width(), bitmap.Height(), bitmap.Bits(), &info,
                    DIB_RGB_COLORS, SRCCOPY);
}

// An icon is drawn at its own size at the top-left corner, never stretched.
void DrawIcon(HDC dc, const uint8_t* file, size_t fileSize) {
    const IconImage image = FirstIconImage(file, fileSize);
    UniqueIcon icon(::CreateIconFromResourceEx(const_cast<PBYTE>(file + image.offset),
                                               static_cast<DWORD>(image.size), TRUE, 0x00030000, image.width,
                                               image.height, LR_DEFAULTCOLOR));
    if (!icon) {
        Trace("preview icon rejected");
        return;
    }
    ::DrawIconEx(dc, 0, 0, icon.get(), image.width, image.height, 0, nullptr, DI_NORMAL);
}

void PlayMetafile(HDC dc, UniqueEnhMetaFile metafile, const PreviewSize& size) {
    if (!metafile) {
        Trace("preview metafile rejected");
        return;
    }
    const RECT target = {0, 0, size.width, size.height};
    ::PlayEnhMetaFile(dc, metafile.get(), &target);
}

const uint8_t* Bytes(const std::string& data) {
    return reinterpret_cast<const uint8_t*>(data.data());
}

void DrawPicture(HDC dc, const PictureBytes& picture, const PreviewSize& size) {
    if (picture.Empty())
        return;
    const std::string& data = picture.data;
    if (picture.className == "TJPEGImage") {
        DrawBitmap(dc, DecodeJpeg(Bytes(data), data.size()), size);
    } else if (picture.className == "TBitmap") {
        DrawBitmap(dc, DecodeBmp(Bytes(data), data.size()), size);
    } else if (picture.className == "TIcon") {
        DrawIcon(dc, Bytes(data), data.size());
    } else if (picture.className == "TMetafile" && picture.enhancedMetafile) {
        if (!IsCompleteEnhancedMetafile(Bytes(data), data.size()))
            throw Error("Invalid metafile");
        PlayMetafile(dc, UniqueEnhMetaFile(::SetEnhMetaFileBits(static_cast<UINT>(data.size()), Bytes(data))), size);
    } else if (picture.className == "TMetafile") {
        const PlaceableMetafile placeable = ParsePlaceableMetafile(Bytes(data), data.size());
        // The picture's own size: the metafile's records are scaled from it to
        // the preview rectangle.
        METAFILEPICT extent = {};
        extent.mm = MM_ANISOTROPIC;
        extent.xExt = placeable.widthHimetric;
        extent.yExt = placeable.heightHimetric;
        PlayMetafile(dc,
                     UniqueEnhMetaFile(::SetWinMetaFileBits(static_cast<UINT>(placeable.size),
                                                            Bytes(data) + placeable.offset, nullptr, &extent)),
                     size);
    }
    ::GdiFlush();
}

}  // namespace

void RunPreviewMode(HWND previewWindow, const std::string& programPath) {
    // A handle that names no window (a stale number, or a window that went away)
    // would otherwise keep the process waiting for it for ever.
    while (!::IsWindowVisible(previewWindow)) {
        if (!::IsWindow(previewWindow)) {
            Trace("preview window gone");
            return;
        }
        ProcessPendingMessages();
        ::Sleep(kPollPause);
    }

    RECT outer = {};
    if (!::GetWindowRect(previewWindow, &outer))
        return;
    const PreviewSize size = PreviewSizeOf(outer.left, outer.top, outer.right, outer.bottom);

    std::optional<PictureBytes> picture;
    {
        // Only the trailer field and the preview stream are read, and the file
        // is let go before the long wait so that it does not stay locked
        // against writers for as long as the display settings are open.
        std::unique_ptr<InputFile> file = OpenPackageFile(programPath);
        picture = ReadPreviewImage(*file);
    }
    // A file shorter than its trailer, or a stream whose object is no image:
    // nothing to show, and nothing to wait for.
    if (!picture) {
        Trace("preview no picture stream");
        return;
    }
    Trace("preview draw class=" + picture->className + " size=" + std::to_string(size.width) + "x" +
          std::to_string(size.height));
    {
        WindowDc dc(previewWindow);
        if (!dc)
            return;
        DrawPicture(dc.get(), *picture, size);
    }

    while (::IsWindowVisible(previewWindow)) {
        ProcessPendingMessages();
        ::Sleep(kPollPause);
    }
    Trace("preview hidden");
}

}  // namespace orlscr
