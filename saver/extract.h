#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/error.h"
#include "package/comma_list.h"
#include "package/input_file.h"
#include "package/package_contract.h"
#include "package/plain_file_name.h"
#include "package/settings_record.h"

namespace orlscr {

// The largest piece of an embedded file held in memory while it is written.
// Large pieces keep the calls per megabyte few: under Wine every read and
// write is a trip through its server, and 60 KB pieces took a copy to about
// two thirds of a plain file copy (bench/extract_rate.py).
inline constexpr int64_t kEmbeddedCopyBuffer = int64_t{4} << 20;

// A target that could not be created: "Cannot create file <path>".
class ECannotCreateFile : public Error {
  public:
    explicit ECannotCreateFile(const std::string& path) : Error("Cannot create file " + path) {}
};

// A file being written. Closing happens on destruction, also after a failure,
// so a partly written file stays on disk as far as it got.
class TargetFile {
  public:
    virtual ~TargetFile() = default;
    // Writes all bytes; throws Error("Stream write error") when it cannot.
    virtual void Write(const void* data, size_t count) = 0;
};

// Where extracted files go: creating (or truncating) a target file for reading
// and writing without sharing, and deleting a file again.
class TargetFiles {
  public:
    virtual ~TargetFiles() = default;
    // Throws ECannotCreateFile with the path when the file cannot be created.
    virtual std::unique_ptr<TargetFile> Create(const std::string& path) = 0;
    // False when the file could not be deleted.
    virtual bool Delete(const std::string& path) = 0;
    // Moves the file `from` to `to` in the same folder, replacing a file
    // there; false when it cannot (then both stay as they were).
    virtual bool Replace(const std::string& from, const std::string& to) = 0;
    // Whether both files can be read and hold the same bytes. Reads a file
    // that another process has loaded as well.
    virtual bool SameContent(const std::string& a, const std::string& b) {
        (void)a;
        (void)b;
        return false;
    }
};

// Target files through the C library. Backslashes in a path are taken as
// folder separators, so the Windows paths the saver builds work on any system.
class StdTargetFiles : public TargetFiles {
  public:
    std::unique_ptr<TargetFile> Create(const std::string& path) override;
    bool Delete(const std::string& path) override;
    bool Replace(const std::string& from, const std::string& to) override;
    bool SameContent(const std::string& a, const std::string& b) override;
};

// Copies `count` bytes from the package's current position to the target,
// through one buffer of at most kEmbeddedCopyBuffer bytes. Throws "Stream read
// error" when the package ends early (or the count is negative); the target
// keeps what was written.
void EmbeddedFileCopy(InputFile& source, TargetFile& target, int64_t count);

// Writes the byte range [offset, offset + size) of the package to a new file
// `target` (an existing one is overwritten). Throws ECannotCreateFile when the
// target cannot be created, and the errors of EmbeddedFileCopy.
void ExtractEmbeddedFile(InputFile& package,
                         int64_t offset,
                         int64_t size,
                         const std::string& target,
                         TargetFiles& files);

// The joined target of a stored name: JoinPath(folder, name), or
// ECannotCreateFile for that path when the name is not a plain file name.
std::string EmbeddedTargetPath(const std::string& folder,
                               const std::string& name,
                               LeadBytePredicate isLeadByte);

// The three kinds of embedded files, each with its own error policy. Names
// are checked with `isLeadByte`, the lead bytes of the system code page.
//
// Sound tracks into `tempDir`: every error propagates. The path of each track
// whose file was created (also one left partly written) is appended to
// `written`, so that the run deletes exactly the files it wrote.
void WriteSoundFiles(const TSSFileLocations& settings,
                     InputFile& package,
                     const std::string& tempDir,
                     TargetFiles& files,
                     std::vector<std::string>& written,
                     LeadBytePredicate isLeadByte);

// Presentation files into `tempDir`: an entry whose name cannot be read or
// whose target cannot be created is skipped; other errors propagate.
void WritePresentationFiles(const TSSFileLocations& settings,
                            InputFile& package,
                            const std::string& tempDir,
                            TargetFiles& files,
                            LeadBytePredicate isLeadByte);

// The hook library as kHookLibraryFileName into `folder`. It is written under a
// temporary name beside its target and moved into place only when complete,
// so a failed copy leaves a library already there as it was. Returns whether
// the library is now there: false when the file cannot be created or moved
// into place (a folder the user may not write, a library in use, a folder of
// that name), and when the package carries none (size 0), so that an empty
// file never replaces a library already there. A library there that cannot be
// replaced (another run has it loaded) but holds the same bytes is used as it
// is. A copy error (a package that
// ends early) propagates.
bool WriteHookLibrary(const TSSFileLocations& settings,
                      InputFile& package,
                      const std::string& folder,
                      TargetFiles& files,
                      LeadBytePredicate isLeadByte);

// Deletes the given files, ignoring failures.
void DeleteFiles(const std::vector<std::string>& paths, TargetFiles& files);

}  // namespace orlscr
