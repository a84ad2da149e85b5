#include "saver/extract_win.h"

#include <windows.h>

#include <algorithm>

#include "common/win/unique.h"

namespace orlscr {

namespace {

class Win32TargetFile : public TargetFile {
  public:
    explicit Win32TargetFile(UniqueFile file) : file_(std::move(file)) {}
    void Write(const void* data, size_t count) override {
        DWORD written = 0;
        if (!::WriteFile(file_.get(), data, static_cast<DWORD>(count), &written, nullptr) || written != count)
            throw Error("Stream write error");
    }

  private:
    UniqueFile file_;
};

}  // namespace

std::unique_ptr<TargetFile> Win32TargetFiles::Create(const std::string& path) {
    UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        throw ECannotCreateFile(path);
    return std::make_unique<Win32TargetFile>(std::move(file));
}

bool Win32TargetFiles::Delete(const std::string& path) {
    return ::DeleteFileA(path.c_str()) != 0;
}

namespace {

// For reading, sharing with writers and with the loader of a library in use.
UniqueFile OpenShared(const std::string& path) {
    return UniqueFile(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

bool Win32TargetFiles::SameContent(const std::string& a, const std::string& b) {
    UniqueFile first = OpenShared(a);
    UniqueFile second = OpenShared(b);
    if (!first || !second)
        return false;
    for (;;) {
        char x[4096], y[4096];
        DWORD nx = 0, ny = 0;
        if (!::ReadFile(first.get(), x, sizeof x, &nx, nullptr) || !::ReadFile(second.get(), y, sizeof y, &ny, nullptr))
            return false;
        if (nx != ny || !std::equal(x, x + nx, y))
            return false;
        if (nx == 0)
            return true;
    }
}

bool Win32TargetFiles::Replace(const std::string& from, const std::string& to) {
    return ::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

}  // namespace orlscr
