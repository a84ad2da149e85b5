#include "builder/picture_kind.h"

#include <gtest/gtest.h>

#include <string>

using orlscr::mkscr::FindPictureKind;

namespace {

std::string ClassOf(const std::string& file) {
    const auto* kind = FindPictureKind(file);
    return kind ? kind->className : "";
}

}  // namespace

TEST(PictureKind, IconsAndBothMetafileFormsArePreviewPictures) {
    std::string icon("\0\0\1\0\1\0", 6);
    icon += std::string(16, '\x20');
    EXPECT_EQ(ClassOf(icon), "TIcon");

    std::string emf(88, '\0');
    emf[0] = 1;
    emf.replace(40, 4, " EMF");
    EXPECT_EQ(ClassOf(emf), "TMetafile");

    std::string wmf = "\xD7\xCD\xC6\x9A" + std::string(36, '\0');
    EXPECT_EQ(ClassOf(wmf), "TMetafile");

    EXPECT_EQ(ClassOf("\xFF\xD8\xFF\xE0"), "TJPEGImage");
}

TEST(PictureKind, LookalikesAreNoPictures) {
    std::string cursor("\0\0\2\0\1\0", 6);
    cursor += std::string(16, '\x20');
    EXPECT_EQ(ClassOf(cursor), "");

    std::string noImages("\0\0\1\0\0\0", 6);
    noImages += std::string(16, '\x20');
    EXPECT_EQ(ClassOf(noImages), "");

    // A plain metafile has no size of its own, so it cannot be stretched.
    std::string plainWmf("\1\0\x09\0\0\3", 6);
    plainWmf += std::string(40, '\0');
    EXPECT_EQ(ClassOf(plainWmf), "");

    std::string emfWithoutSignature(88, '\0');
    emfWithoutSignature[0] = 1;
    EXPECT_EQ(ClassOf(emfWithoutSignature), "");
    EXPECT_EQ(ClassOf(std::string("\xD7\xCD\xC6\x9A", 4)), "");
}
