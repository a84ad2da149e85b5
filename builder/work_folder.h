#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace orlscr::mkscr {

// A folder of its own under the system's temporary folder, for the files a
// build makes on the way (converted documents, rendered slides, a converter's
// profile). It is removed with everything in it when the object goes, on
// every path out of the build. Paths are UTF-8.
class WorkFolder {
  public:
    // Throws Error when no folder can be made.
    explicit WorkFolder(const std::string& prefix = "mkscr");
    ~WorkFolder();
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    const std::string& Path() const { return path_; }
    // A path inside the folder.
    std::string PathOf(const std::string& name) const;
    // Makes a subfolder and returns its path. Throws Error.
    std::string MakeFolder(const std::string& name) const;

  private:
    std::string path_;
};

// Files of the work folder, by UTF-8 paths. Each throws Error with the path.
void CopyWholeFile(const std::string& from, const std::string& to);
void WriteWholeFile(const std::string& path, const std::string& bytes);
void RemoveWholeFile(const std::string& path);
// Removes the folder with everything in it, as far as it can; never throws.
void RemoveFolderTree(const std::string& path);
// The size of a regular file; nothing when there is none.
std::optional<uint64_t> SizeOfFile(const std::string& path);

// The path as a file: URL ("file:///tmp/a%20b", "file:///C:/Temp/x").
std::string FileUrl(const std::string& path);

}  // namespace orlscr::mkscr
