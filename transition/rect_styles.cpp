#include "transition/rect_styles.h"

#include "raster/blit.h"

namespace orlscr {

int32_t CurlWidth(int32_t w, int32_t x) {
    if (w / 5 > x)
        return x / 2;
    if (w / 5 + x > w)
        return (w - x) / 2;
    return w / 10;
}

bool IsInPlaceRectStyle(int style) {
    switch (style) {
        case 5:
        case 6:
        case 11:
        case 12:
        case 22:
        case 23:
        case 28:
        case 29:
        case 43:
        case 44:
        case 45:
        case 46:
        case 53:
        case 54:
        case 55:
            return true;
        default:
            return false;
    }
}

namespace {

// A piece of a step: its destination, its source, and whether it is mirrored
// (a mirrored copy cuts its source to the picture and still covers all of `d`).
using PieceFn = std::function<void(const Rect& d, const Rect& s, bool flipX, bool flipY)>;

// The style step, drawing its pieces into `screen` when there is one.
void RectStyleStep(int style,
                   const FrameQuantities& f,
                   Bitmap* screen,
                   const Bitmap& newBitmap,
                   const PieceFn& invalidate,
                   Rect& D,
                   Rect& S) {
    const int32_t W = f.W, H = f.H, X = f.X, Y = f.Y;
    const Rect full{0, 0, W, H};

    // A piece copied in place or stretched, then invalidated.
    auto piece = [&](const Rect& d, const Rect& s) {
        if (screen)
            StretchCopy(*screen, d, newBitmap, s);
        invalidate(d, s, false, false);
    };
    auto inPlace = [&](const Rect& r) { piece(r, r); };
    auto curl = [&](const Rect& d, const Rect& s, bool horizontal) {
        if (screen)
            MirrorCopyRect(*screen, d, newBitmap, s, horizontal, !horizontal);
        invalidate(d, s, horizontal, !horizontal);
    };
    auto set = [&](const Rect& d, const Rect& s) {
        D = d;
        S = s;
    };
    auto same = [&](const Rect& r) { set(r, r); };

    switch (style) {
        // Horizontal families.
        case 1:
            set({W - X, 0, W, H}, full);
            break;
        case 2:
            set({0, 0, X, H}, full);
            break;
        case 3:
            set({W - X, 0, 2 * W - X, H}, full);
            break;
        case 4:
            set({X - W, 0, X, H}, full);
            break;
        case 5:
            same({0, 0, X, H});
            break;
        case 6:
            same({W - X, 0, W, H});
            break;
        case 7:
            set({0, 0, 2 * W - X, H}, {0, 0, X, H});
            break;
        case 8:
            set({X - W, 0, W, H}, {W - X, 0, W, H});
            break;
        case 9:
            set({X - W, 0, 2 * W - X, H}, {(W - X) / 2, 0, (W + X) / 2, H});
            break;
        case 10:
            set({(W - X) / 2, 0, (W + X) / 2, H}, full);
            break;
        case 11:
            same({(W - X) / 2, 0, (W + X) / 2, H});
            break;
        case 12:
            inPlace({0, 0, X / 2 + 1, H});
            same({W - X / 2 - 1, 0, W, H});
            break;
        case 13:
            piece({0, 0, X / 2 + 1, H}, {0, 0, W / 2 + 1, H});
            set({W - X / 2 - 1, 0, W, H}, {W / 2, 0, W, H});
            break;
        case 14: {
            const int32_t q = CurlWidth(W, X);
            curl({X, 0, X + q, H}, {X + q, 0, X + 2 * q, H}, true);
            same({0, 0, X, H});
            break;
        }
        case 15: {
            const int32_t q = CurlWidth(W, X);
            const int32_t E = W - X;
            curl({E - q, 0, E, H}, {E - 2 * q, 0, E - q, H}, true);
            same({W - X, 0, W, H});
            break;
        }
        case 16:
            inPlace({0, 0, X, H});
            set({X, 0, W, H}, {X, 0, X + W / 20, H});
            break;
        case 17:
            inPlace({W - X, 0, W, H});
            set({0, 0, W - X, H}, {W - X - W / 20, 0, W - X, H});
            break;

        // Vertical families.
        case 18:
            set({0, H - Y, W, H}, full);
            break;
        case 19:
            set({0, 0, W, Y}, full);
            break;
        case 20:
            set({0, H - Y, W, 2 * H - Y}, full);
            break;
        case 21:
            set({0, Y - H, W, Y}, full);
            break;
        case 22:
            same({0, 0, W, Y});
            break;
        case 23:
            same({0, H - Y, W, H});
            break;
        case 24:
            set({0, 0, W, 2 * H - Y}, {0, 0, W, Y});
            break;
        case 25:
            set({0, Y - H, W, H}, {0, H - Y, W, H});
            break;
        case 26:
            set({0, Y - H, W, 2 * H - Y}, {0, (H - Y) / 2, W, (H + Y) / 2});
            break;
        case 27:
            set({0, (H - Y) / 2, W, (H + Y) / 2}, full);
            break;
        case 28:
            same({0, (H - Y) / 2, W, (H + Y) / 2});
            break;
        case 29:
            inPlace({0, 0, W, Y / 2 + 1});
            same({0, H - Y / 2 - 1, W, H});
            break;
        case 30:
            piece({0, 0, W, Y / 2 + 1}, {0, 0, W, H / 2 + 1});
            set({0, H - Y / 2 - 1, W, H}, {0, H / 2, W, H});
            break;
        case 31: {
            const int32_t q = CurlWidth(H, Y);
            curl({0, Y, W, Y + q}, {0, Y + q, W, Y + 2 * q}, false);
            same({0, 0, W, Y});
            break;
        }
        case 32: {
            const int32_t q = CurlWidth(H, Y);
            const int32_t E = H - Y;
            curl({0, E - q, W, E}, {0, E - 2 * q, W, E - q}, false);
            same({0, H - Y, W, H});
            break;
        }
        case 33:
            inPlace({0, 0, W, Y});
            set({0, Y, W, H}, {0, Y, W, Y + H / 20});
            break;
        case 34:
            inPlace({0, H - Y, W, H});
            set({0, 0, W, H - Y}, {0, H - Y - H / 20, W, H - Y});
            break;

        // Corner families.
        case 35:
            set({W - X, H - Y, W, H}, full);
            break;
        case 36:
            set({W - X, 0, W, Y}, full);
            break;
        case 37:
            set({0, 0, X, Y}, full);
            break;
        case 38:
            set({0, H - Y, X, H}, full);
            break;
        case 39:
            set({W - X, H - Y, 2 * W - X, 2 * H - Y}, full);
            break;
        case 40:
            set({W - X, Y - H, 2 * W - X, Y}, full);
            break;
        case 41:
            set({X - W, Y - H, X, Y}, full);
            break;
        case 42:
            set({X - W, H - Y, X, 2 * H - Y}, full);
            break;
        case 43:
            same({0, 0, X, Y});
            break;
        case 44:
            same({0, H - Y, X, H});
            break;
        case 45:
            same({W - X, H - Y, W, H});
            break;
        case 46:
            same({W - X, 0, W, Y});
            break;
        case 47:
            set({0, 0, 2 * W - X, 2 * H - Y}, {0, 0, X, Y});
            break;
        case 48:
            set({0, Y - H, 2 * W - X, H}, {0, H - Y, X, H});
            break;
        case 49:
            set({X - W, Y - H, W, H}, {W - X, H - Y, W, H});
            break;
        case 50:
            set({X - W, 0, W, 2 * H - Y}, {W - X, 0, W, Y});
            break;

        // Centre and four-part families.
        case 51:
            set({X - W, Y - H, 2 * W - X, 2 * H - Y}, {(W - X) / 2, (H - Y) / 2, (W + X) / 2, (H + Y) / 2});
            break;
        case 52:
            set({(W - X) / 2, (H - Y) / 2, (W + X) / 2, (H + Y) / 2}, full);
            break;
        case 53:
            same({(W - X) / 2, (H - Y) / 2, (W + X) / 2, (H + Y) / 2});
            break;
        case 54:
            inPlace({0, 0, W, Y / 2});
            inPlace({0, H - Y / 2, W, H});
            inPlace({0, 0, X / 2, H});
            same({W - X / 2, 0, W, H});
            break;
        case 55:
            inPlace({0, 0, X / 2 + 1, Y / 2 + 1});
            inPlace({0, H - Y / 2 - 1, X / 2 + 1, H});
            inPlace({W - X / 2 - 1, H - Y / 2 - 1, W, H});
            same({W - X / 2 - 1, 0, W, Y / 2 + 1});
            break;
        case 56:
            piece({0, 0, X / 2 + 1, Y / 2 + 1}, {0, 0, W / 2 + 1, H / 2 + 1});
            piece({0, H - Y / 2, X / 2 + 1, H}, {0, H / 2 + 1, W / 2 + 1, H});
            piece({W - X / 2, H - Y / 2, W, H}, {W / 2 + 1, H / 2 + 1, W, H});
            set({W - X / 2, 0, W, Y / 2 + 1}, {W / 2 + 1, 0, W, H / 2 + 1});
            break;
        case 57:
            piece({(X - W) / 2, 0, X / 2 + 1, H / 2 + 1}, {0, 0, W / 2 + 1, H / 2 + 1});
            piece({W / 2 - 1, (Y - H) / 2, W, Y / 2 + 1}, {W / 2 - 1, 0, W, H / 2 + 1});
            piece({W - X / 2, H / 2 - 1, (W - X) / 2 + W, H}, {W / 2 + 1, H / 2 - 1, W, H});
            set({0, H - Y / 2, W / 2 + 1, (H - Y) / 2 + H}, {0, H / 2 + 1, W / 2 + 1, H});
            break;
        default:
            break;
    }
}

}  // namespace

void RunRectStyle(int style,
                  const FrameQuantities& f,
                  Bitmap& screen,
                  const Bitmap& newBitmap,
                  const std::function<void(const Rect&)>& invalidate,
                  Rect& dest,
                  Rect& source) {
    RectStyleStep(
        style, f, &screen, newBitmap, [&invalidate](const Rect& d, const Rect&, bool, bool) { invalidate(d); }, dest,
        source);
}

void RectStylePieces(int style, const FrameQuantities& f, std::vector<Rect>& pieces, Rect& dest, Rect& source) {
    const Bitmap none;
    RectStyleStep(
        style, f, nullptr, none, [&pieces](const Rect& r, const Rect&, bool, bool) { pieces.push_back(r); }, dest,
        source);
}

bool RectStyleCopy::CoversDest(const Rect& picture) const {
    const Rect inside = IntersectRect(source, picture);
    return flipX || flipY ? !inside.IsEmpty() : !source.IsEmpty() && inside == source;
}

std::vector<Rect> RectStyleCover(int style, const FrameQuantities& f) {
    const Rect full{0, 0, f.W, f.H};
    std::vector<Rect> cover;
    for (const RectStyleCopy& copy : RectStyleCopies(style, f)) {
        const Rect r = IntersectRect(copy.dest, full);
        if (copy.CoversDest(full) && !r.IsEmpty())
            cover.push_back(r);
    }
    return cover;
}

std::vector<RectStyleCopy> RectStyleCopies(int style, const FrameQuantities& f) {
    std::vector<RectStyleCopy> copies;
    const Bitmap none;
    Rect dest{0, 0, f.W, f.H}, source = dest;
    RectStyleStep(
        style, f, nullptr, none,
        [&copies](const Rect& d, const Rect& s, bool flipX, bool flipY) {
            copies.push_back({d, s, flipX, flipY});
        },
        dest, source);
    if (f.P > 0)
        copies.push_back({dest, source, false, false});
    return copies;
}

}  // namespace orlscr
