// Writes an animated GIF for the memory benchmark (bench/slideview_memory.py):
//   make_animation OUT.gif WIDTH HEIGHT FRAMES [DELAY_CS]
// Every frame covers the whole screen with diagonal bands of 16 colours that
// move a step from frame to frame, looping for ever.

#include <gif_lib.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 5)
        return 2;
    const int width = std::atoi(argv[2]), height = std::atoi(argv[3]), frames = std::atoi(argv[4]);
    const int delay = argc > 5 ? std::atoi(argv[5]) : 4;
    int error = 0;
    GifFileType* gif = EGifOpenFileName(argv[1], false, &error);
    if (gif == nullptr)
        return 1;
    GifColorType colours[16];
    for (int i = 0; i < 16; ++i)
        colours[i] = {static_cast<GifByteType>(i * 16), static_cast<GifByteType>(255 - i * 16),
                      static_cast<GifByteType>((i * 80) & 255)};
    ColorMapObject* map = GifMakeMapObject(16, colours);
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, width, height, 4, 0, map);
    const GifByteType loop[3] = {1, 0, 0};
    EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE);
    EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0");
    EGifPutExtensionBlock(gif, 3, loop);
    EGifPutExtensionTrailer(gif);
    std::vector<GifPixelType> line(static_cast<size_t>(width));
    for (int f = 0; f < frames; ++f) {
        const GifByteType control[4] = {4, static_cast<GifByteType>(delay & 255), static_cast<GifByteType>(delay >> 8),
                                        0};
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control);
        EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x)
                line[static_cast<size_t>(x)] = static_cast<GifPixelType>(((x + y) / 64 + f) & 15);
            EGifPutLine(gif, line.data(), width);
        }
    }
    GifFreeMapObject(map);
    if (EGifCloseFile(gif, &error) == GIF_ERROR)
        return 1;
    return 0;
}
