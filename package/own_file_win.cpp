#include "package/own_file_win.h"

#include <windows.h>

#include "common/error.h"

namespace orlscr {

namespace {

class Win32InputFile : public InputFile {
  public:
    explicit Win32InputFile(HANDLE handle) : handle_(handle) {}
    ~Win32InputFile() override { CloseHandle(handle_); }
    Win32InputFile(const Win32InputFile&) = delete;
    Win32InputFile& operator=(const Win32InputFile&) = delete;

    int64_t Size() override {
        LARGE_INTEGER size;
        if (!GetFileSizeEx(handle_, &size))
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
            if (!SetFilePointerEx(handle_, to, nullptr, FILE_BEGIN))
                return 0;
            positioned_ = true;
        }
        size_t total = 0;
        auto* out = static_cast<char*>(buffer);
        while (total < count) {
            DWORD chunk = count - total > 0x10000000 ? 0x10000000 : static_cast<DWORD>(count - total);
            DWORD got = 0;
            if (!ReadFile(handle_, out + total, chunk, &got, nullptr) || got == 0)
                break;
            total += got;
        }
        position_ += static_cast<int64_t>(total);
        return total;
    }

  private:
    HANDLE handle_;
    int64_t position_ = 0;
    bool positioned_ = true;
};

}  // namespace

std::unique_ptr<InputFile> OpenPackageFile(const std::string& path) {
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        throw Error("Cannot open file " + path);
    return std::make_unique<Win32InputFile>(handle);
}

std::string OwnFileName() {
    char buffer[MAX_PATH + 1] = {};
    DWORD n = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    return std::string(buffer, n);
}

std::unique_ptr<InputFile> OpenOwnPackage() {
    return OpenPackageFile(OwnFileName());
}

bool ReadOwnSettingsRecord(TSSFileLocations* target) {
    auto file = OpenOwnPackage();
    return ReadSettingsRecord(*file, target);
}

std::unique_ptr<TSSFileLocations> ReadOwnSettingsRecord() {
    auto file = OpenOwnPackage();
    return ReadSettingsRecord(*file);
}

bool IsSystemLeadByte(unsigned char byte) {
    return IsDBCSLeadByte(byte) != 0;
}

}  // namespace orlscr
