// Checks the Win32 picture type on a real Win32: icons and metafiles from file
// bytes get their size from the checked headers, own their handles, turn into
// bitmaps, and a crafted header is refused with the picture-size error instead
// of reaching the bitmap's stride computation.

#include <windows.h>

#include <string>

#include "picture/picture_win.h"
#include "tests/wine/helpers/check.h"

namespace {

using orlscr::check::Check;

std::string Le16(unsigned v) {
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF)};
}

std::string Le32(unsigned v) {
    return Le16(v & 0xFFFF) + Le16(v >> 16);
}

// A 16 x 16 32-bit icon, all red, whose image header claims `width`.
std::string Icon(unsigned width) {
    std::string image = Le32(40) + Le32(width) + Le32(32) + Le16(1) + Le16(32) + std::string(24, '\0');
    for (int i = 0; i < 16 * 16; ++i)
        image += std::string("\0\0\xFF\xFF", 4);
    image += std::string(16 * 4, '\0');  // mask: all shown
    return Le16(0) + Le16(1) + Le16(1) + std::string{16, 16, 0, 0} + Le16(1) + Le16(32) +
           Le32(static_cast<unsigned>(image.size())) + Le32(22) + image;
}

// An enhanced metafile of one header record and an end record; its frame in
// 0.01 mm on a device of `device` pixels over 250 mm.
std::string Metafile(unsigned frameRight, unsigned device) {
    std::string h = Le32(1) + Le32(108) + Le32(0) + Le32(0) + Le32(99) + Le32(99);
    h += Le32(0) + Le32(0) + Le32(frameRight) + Le32(frameRight);
    h += " EMF" + Le32(0x10000) + Le32(108 + 20) + Le32(2) + Le16(1) + Le16(0) + Le32(0) + Le32(0) + Le32(0);
    h += Le32(device) + Le32(device) + Le32(250) + Le32(250) + Le32(0) + Le32(0) + Le32(0) + Le32(0) + Le32(0);
    return h + Le32(14) + Le32(20) + Le32(0) + Le32(16) + Le32(20);  // EMR_EOF
}

std::string ErrorOf(const std::string& bytes) {
    return orlscr::check::ErrorOf([&] { orlscr::TGraphic::FromFileBytes(bytes).ToBitmap(0); });
}

void CheckIcon() {
    const orlscr::TGraphic icon = orlscr::TGraphic::FromFileBytes(Icon(16));
    Check(icon.GetKind() == orlscr::TGraphic::Kind::kIcon, "an icon file gives an icon");
    Check(icon.Width() == 16 && icon.Height() == 16, "the icon has its directory's size");
    const orlscr::Bitmap bitmap = icon.ToBitmap(RGB(0, 0, 255));
    Check(bitmap.Width() == 16 && bitmap.Row(8)[3 * 8 + 2] == 255 && bitmap.Row(8)[3 * 8] == 0,
          "the icon is drawn red into its bitmap");
    Check(ErrorOf(Icon(0x7FFFFFFF)) == "The picture is too large", "a huge icon header is refused");
}

void CheckMetafile() {
    // 1000 x 1000 hundredths of a millimetre at 1000 pixels to 250 mm: 40 pixels.
    const orlscr::TGraphic metafile = orlscr::TGraphic::FromFileBytes(Metafile(999, 1000));
    Check(metafile.GetKind() == orlscr::TGraphic::Kind::kMetafile, "an enhanced metafile gives a metafile");
    Check(metafile.Width() == 40 && metafile.Height() == 40,
          "the metafile's size is " + std::to_string(metafile.Width()) + "x" + std::to_string(metafile.Height()));
    Check(metafile.ToBitmap(0).Width() == 40, "the metafile turns into a bitmap");
    Check(ErrorOf(Metafile(0x7FFFFFF0, 0x40000000)) == "The picture is too large",
          "a metafile frame beyond the limits is refused: " + ErrorOf(Metafile(0x7FFFFFF0, 0x40000000)));
}

}  // namespace

int main() {
    CheckIcon();
    CheckMetafile();
    return orlscr::check::CheckSummary();
}
