#include "saver/viewer.h"

#include "common/path.h"

namespace orlscr {

std::string ViewerCommandLine(const std::string& tempDir, const std::string& documentName, LeadBytePredicate isLeadByte) {
    return JoinPath(tempDir, kViewerFileName, isLeadByte) + " \"" + JoinPath(tempDir, documentName, isLeadByte) + "\" ";
}

}  // namespace orlscr
