#include "package/own_file_win.h"

#include <windows.h>

#include "common/error.h"
#include "common/win/paths.h"
#include "common/win/unique.h"

namespace orlscr {

namespace {

class Win32InputFile : public InputFile {
  public:
    explicit Win32InputFile(UniqueFile file) : file_(std::move(file)) {}

    int64_t Size() override {
        LARGE_INTEGER size;
        if (!GetFileSizeEx(file_.get(), &size))
            return 0;
        return size.QuadPart;
    }

    void Seek(int64_t position) override {
        position_ = position;
        positioned_ = false;
    }

    size_t Read(void* buffer, size_t count) override {
        if (position_ < 0)
            return 0;
        if (!positioned_) {
            LARGE_INTEGER to;
            to.QuadPart = position_;
            if (!SetFilePointerEx(file_.get(), to, nullptr, FILE_BEGIN))
                return 0;
            positioned_ = true;
        }
        size_t total = 0;
        auto* out = static_cast<char*>(buffer);
        while (total < count) {
            DWORD chunk = count - total > 0x10000000 ? 0x10000000 : static_cast<DWORD>(count - total);
            DWORD got = 0;
            if (!ReadFile(file_.get(), out + total, chunk, &got, nullptr) || got == 0)
                break;
            total += got;
        }
        position_ += static_cast<int64_t>(total);
        return total;
    }

  private:
    UniqueFile file_;
    int64_t position_ = 0;
    bool positioned_ = true;
};

}  // namespace

std::unique_ptr<InputFile> OpenPackageFile(const std::string& path) {
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        throw Error("Cannot open file " + path);
    return std::make_unique<Win32InputFile>(std::move(file));
}

std::unique_ptr<InputFile> OpenOwnPackage() {
    return OpenPackageFile(ProgramPath());
}

}  // namespace orlscr
