#include "saver/viewer.h"

#include "common/path.h"

namespace orlscr {

std::string ViewerCommandLine(const std::string& tempDir, const std::string& documentName) {
    return JoinPath(tempDir, kViewerFileName) + " \"" + JoinPath(tempDir, documentName) + "\" ";
}

}  // namespace orlscr
