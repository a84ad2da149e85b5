// The settings mode: the settings dialog as the main window, under a message
// loop that gives it the keyboard handling of a dialog (Tab, Enter, Alt+O).

#include <windows.h>

#include <string>

#include "entry/modes_win.h"
#include "package/settings_record.h"
#include "package/std_input_file.h"
#include "setup/frm_setup_win.h"

namespace orlscr {
namespace {

std::string ModulePath() {
    std::string path(MAX_PATH, '\0');
    while (true) {
        DWORD length = ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// The package's texts from the record of the running program's own file, read
// without a target; the record is released at once.
std::optional<PackageTexts> ReadOwnPackageTexts(const std::string& programPath) {
    StdInputFile file(programPath);
    std::unique_ptr<TSSFileLocations> record = ReadSettingsRecord(file);
    if (!record)
        return std::nullopt;
    return PackageTexts{record->Title, record->Author, record->Email, record->Web};
}

}  // namespace

void RunSettingsMode() {
    const std::string programPath = ModulePath();
    TfrmSetup form(programPath, [programPath] { return ReadOwnPackageTexts(programPath); });
    form.Show();
    MSG message;
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (form.Handle() && ::IsDialogMessageA(form.Handle(), &message))
            continue;
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
}

}  // namespace orlscr
