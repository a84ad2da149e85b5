#include "saver/extract.h"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include "common/c_file.h"
#include "common/path.h"
#include "common/text.h"

namespace orlscr {

namespace {

constexpr const char* kStreamWriteError = "Stream write error";

class StdTargetFile : public TargetFile {
  public:
    explicit StdTargetFile(UniqueCFile file) : file_(std::move(file)) {}
    void Write(const void* data, size_t count) override {
        if (std::fwrite(data, 1, count, file_.get()) != count)
            throw Error(kStreamWriteError);
    }

  private:
    UniqueCFile file_;
};

std::string LocalPath(const std::string& path) {
#ifdef _WIN32
    return path;
#else
    std::string local = path;
    std::replace(local.begin(), local.end(), '\\', '/');
    return local;
#endif
}

}  // namespace

std::unique_ptr<TargetFile> StdTargetFiles::Create(const std::string& path) {
    UniqueCFile file(std::fopen(LocalPath(path).c_str(), "w+b"));
    if (!file)
        throw ECannotCreateFile(path);
    return std::make_unique<StdTargetFile>(std::move(file));
}

bool StdTargetFiles::Delete(const std::string& path) {
    return std::remove(LocalPath(path).c_str()) == 0;
}

bool StdTargetFiles::Replace(const std::string& from, const std::string& to) {
    return std::rename(LocalPath(from).c_str(), LocalPath(to).c_str()) == 0;
}

bool StdTargetFiles::SameContent(const std::string& a, const std::string& b) {
    const UniqueCFile first(std::fopen(LocalPath(a).c_str(), "rb"));
    const UniqueCFile second(std::fopen(LocalPath(b).c_str(), "rb"));
    bool same = first && second;
    while (same) {
        char x[4096], y[4096];
        const size_t nx = std::fread(x, 1, sizeof x, first.get());
        const size_t ny = std::fread(y, 1, sizeof y, second.get());
        same = nx == ny && std::equal(x, x + nx, y);
        if (nx == 0)
            break;
    }
    return same;
}

void EmbeddedFileCopy(InputFile& source, TargetFile& target, int64_t count) {
    if (count < 0)
        throw Error(kStreamReadError);
    std::vector<unsigned char> buffer(static_cast<size_t>(std::min(count, kEmbeddedCopyBuffer)));
    while (count > 0) {
        const size_t piece = static_cast<size_t>(std::min(count, kEmbeddedCopyBuffer));
        if (source.Read(buffer.data(), piece) != piece)
            throw Error(kStreamReadError);
        target.Write(buffer.data(), piece);
        count -= static_cast<int64_t>(piece);
    }
}

void ExtractEmbeddedFile(InputFile& package,
                         int64_t offset,
                         int64_t size,
                         const std::string& target,
                         TargetFiles& files) {
    package.Seek(offset);
    std::unique_ptr<TargetFile> file = files.Create(target);
    // A negative offset can never be read; the created file stays empty.
    if (offset < 0)
        throw Error(kStreamReadError);
    EmbeddedFileCopy(package, *file, size);
}

std::string EmbeddedTargetPath(const std::string& folder, const std::string& name, LeadBytePredicate isLeadByte) {
    std::string path = JoinPath(folder, name, isLeadByte);
    if (!IsPlainFileName(name, isLeadByte))
        throw ECannotCreateFile(path);
    return path;
}

void WriteSoundFiles(const TSSFileLocations& settings,
                     InputFile& package,
                     const std::string& tempDir,
                     TargetFiles& files,
                     std::vector<std::string>& written,
                     LeadBytePredicate isLeadByte) {
    // Records each file the moment it exists, whatever happens to its copy.
    class RecordingFiles : public TargetFiles {
      public:
        RecordingFiles(TargetFiles& inner, std::vector<std::string>& written) : inner_(inner), written_(written) {}
        std::unique_ptr<TargetFile> Create(const std::string& path) override {
            auto file = inner_.Create(path);
            if (std::find(written_.begin(), written_.end(), path) == written_.end())
                written_.push_back(path);
            return file;
        }
        bool Delete(const std::string& path) override { return inner_.Delete(path); }
        bool Replace(const std::string& from, const std::string& to) override { return inner_.Replace(from, to); }

      private:
        TargetFiles& inner_;
        std::vector<std::string>& written_;
    } recording(files, written);

    for (int i = 0; i < settings.SndCount(); ++i) {
        const std::string target = EmbeddedTargetPath(tempDir, settings.SndFileName(i), isLeadByte);
        ExtractEmbeddedFile(package, settings.SndPosition(i), settings.SndSize(i), target, recording);
    }
}

void WritePresentationFiles(const TSSFileLocations& settings,
                            InputFile& package,
                            const std::string& tempDir,
                            TargetFiles& files,
                            LeadBytePredicate isLeadByte) {
    for (int i = 0; i < settings.FlashCount(); ++i) {
        std::string name;
        try {
            name = settings.FlashFileName(i);
        } catch (const Error&) {
            continue;  // no name for this entry
        }
        try {
            const std::string target = EmbeddedTargetPath(tempDir, name, isLeadByte);
            ExtractEmbeddedFile(package, settings.FlashPosition(i), settings.FlashSize(i), target, files);
        } catch (const ECannotCreateFile&) {
            continue;  // the file of an earlier run, if any, stays as it was
        }
    }
}

bool WriteHookLibrary(const TSSFileLocations& settings,
                      InputFile& package,
                      const std::string& folder,
                      TargetFiles& files,
                      LeadBytePredicate isLeadByte) {
    if (settings.HookSize == 0)
        return false;
    const std::string target = JoinPath(folder, kHookLibraryFileName, isLeadByte);
    const std::string partial = target + ".new";
    try {
        ExtractEmbeddedFile(package, settings.HookPosition, settings.HookSize, partial, files);
    } catch (const ECannotCreateFile&) {
        return false;
    } catch (...) {
        files.Delete(partial);
        throw;
    }
    if (files.Replace(partial, target))
        return true;
    const bool same = files.SameContent(partial, target);
    files.Delete(partial);
    return same;
}

void DeleteFiles(const std::vector<std::string>& paths, TargetFiles& files) {
    for (const std::string& path : paths)
        files.Delete(path);
}

}  // namespace orlscr
