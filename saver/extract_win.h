#pragma once

#include "saver/extract.h"

namespace orlscr {

// Target files through CreateFileA: created or truncated, opened for reading
// and writing without sharing.
class Win32TargetFiles : public TargetFiles {
  public:
    std::unique_ptr<TargetFile> Create(const std::string& path) override;
    bool Delete(const std::string& path) override;
    bool Replace(const std::string& from, const std::string& to) override;
    bool SameContent(const std::string& a, const std::string& b) override;
};

}  // namespace orlscr
