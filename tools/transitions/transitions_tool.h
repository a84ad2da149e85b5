#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "raster/bitmap.h"

namespace orlscr::tool {

// One frame of a transition from `oldPicture` to `newPicture` (same size) at
// `progress` with `step`, as the control draws it. Random styles draw from the
// shared generator as it stands.
Bitmap RenderFrameOf(const Bitmap& oldPicture, const Bitmap& newPicture, int style, int progress, int step);

// Every frame of an automatic forward run, the starting picture first, each
// handed to `frame` as soon as it is drawn.
void RenderRun(const Bitmap& oldPicture,
               const Bitmap& newPicture,
               int style,
               int step,
               const std::function<void(const Bitmap&)>& frame);

// All 128 styles at one progress, 16 to a row, each cell `cellWidth` x
// `cellHeight` with the style number in its top-left corner.
Bitmap RenderSheet(const Bitmap& oldPicture,
                   const Bitmap& newPicture,
                   int progress,
                   int step,
                   int cellWidth,
                   int cellHeight);

// The two built-in pictures used when none are given.
Bitmap DefaultOldPicture(int width, int height);
Bitmap DefaultNewPicture(int width, int height);

// Draws `text` (digits only) with a 3 x 5 pixel font scaled by `scale`, white
// on a black box, with its top-left corner at (x, y).
void DrawDigits(Bitmap& target, int x, int y, const std::string& text, int scale);

// The command line (without the program name). Returns the exit code.
int RunTransitionsTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace orlscr::tool
