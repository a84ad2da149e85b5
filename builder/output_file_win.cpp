#include <windows.h>

#include <random>

#include "builder/output_file.h"
#include "builder/system_text.h"
#include "common/error.h"
#include "common/win/unique.h"
#include "common/win/win32_error.h"

namespace orlscr::mkscr {

namespace {

bool MarkForDeletion(HANDLE file, bool deleteOnClose) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = deleteOnClose ? TRUE : FALSE;
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

}  // namespace

struct OutputFile::Impl {
    std::string target;
    std::wstring temp;
    UniqueFile file;
    bool committed = false;
};

OutputFile::OutputFile(const std::string& target) : impl_(std::make_unique<Impl>()) {
    impl_->target = target;
    std::random_device random;
    DWORD error = ERROR_FILE_EXISTS;
    for (int attempt = 0; attempt < 16 && error == ERROR_FILE_EXISTS; ++attempt) {
        wchar_t suffix[32];
        swprintf(suffix, 32, L".%08x.tmp", static_cast<unsigned>(random()));
        impl_->temp = Widen(target) + suffix;
        impl_->file.reset(CreateFileW(impl_->temp.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        error = impl_->file ? ERROR_SUCCESS : GetLastError();
    }
    if (!impl_->file) {
        impl_->temp.clear();
        throw Error("cannot create '" + target + "': " + SystemErrorText(error));
    }
    // Deleted when its handle closes, also when the process is killed; the
    // mark is taken off only once the file is complete.
    MarkForDeletion(impl_->file.get(), true);
}

OutputFile::~OutputFile() {
    if (impl_->file) {
        MarkForDeletion(impl_->file.get(), true);
        impl_->file.reset();
    }
    if (!impl_->committed && !impl_->temp.empty())
        DeleteFileW(impl_->temp.c_str());
}

void OutputFile::Write(const void* data, size_t count) {
    const char* p = static_cast<const char*>(data);
    while (count > 0) {
        DWORD piece = count > (1u << 30) ? (1u << 30) : static_cast<DWORD>(count);
        DWORD written = 0;
        if (!WriteFile(impl_->file.get(), p, piece, &written, nullptr) || written == 0)
            throw Error("cannot write '" + impl_->target + "': " + SystemErrorText(GetLastError()));
        p += written;
        count -= written;
    }
}

void OutputFile::Commit() {
    Impl& f = *impl_;
    MarkForDeletion(f.file.get(), false);
    if (!FlushFileBuffers(f.file.get()))
        throw Error("cannot write '" + f.target + "': " + SystemErrorText(GetLastError()));
    f.file.reset();
    // One step, so that an existing package stays whole when this fails.
    if (!MoveFileExW(f.temp.c_str(), Widen(f.target).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        throw Error("cannot replace '" + f.target + "': " + SystemErrorText(GetLastError()));
    f.committed = true;
}

}  // namespace orlscr::mkscr
