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
#include "picture/picture_win.h"

namespace orlscr {
namespace {

// Pause between two looks at the preview window, so the waits do not spin.
constexpr DWORD kPollPause = 20;

// A bitmap, JPEG picture or metafile is stretched to fill the preview; an icon
// is drawn at its own size at the top-left corner.
void DrawPicture(HDC dc, const PictureBytes& picture, const PreviewSize& size) {
    if (picture.Empty())
        return;
    ExaminePreviewPicture(picture);
    const TGraphic graphic = TGraphic::FromFileBytes(picture.data);
    const RECT target = graphic.GetKind() == TGraphic::Kind::kIcon ? RECT{0, 0, graphic.Width(), graphic.Height()}
                                                                   : RECT{0, 0, size.width, size.height};
    graphic.Draw(dc, target);
    ::GdiFlush();
}

void ShowPreview(HWND previewWindow, const std::string& programPath) {
    // A handle that names no window (a stale number, or a window that went away)
    // would otherwise keep the process waiting for it for ever.
    for (bool told = false; !::IsWindowVisible(previewWindow); told = true) {
        if (!::IsWindow(previewWindow)) {
            Trace("preview window gone");
            return;
        }
        if (!told)
            Trace("preview waits for the window to show");
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

}  // namespace

int RunPreviewMode(HWND previewWindow, const std::string& programPath) {
    ShowPreview(previewWindow, programPath);
    return 0;
}

}  // namespace orlscr
