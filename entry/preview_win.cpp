#include "entry/modes_win.h"

namespace orlscr {

void RunPreviewMode(HWND /*previewWindow*/) {
    // Not drawn yet: the preview ends at once.
}

}  // namespace orlscr
