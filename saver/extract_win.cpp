#include "saver/extract_win.h"

#include <windows.h>

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

bool Win32TargetFiles::Replace(const std::string& from, const std::string& to) {
    return ::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

}  // namespace orlscr
