// The settings mode: the settings dialog as the main window, under a message
// loop that gives it the keyboard handling of a dialog (Tab, Enter, Alt+O).

#include "setup/settings_mode_win.h"

#include <windows.h>

#include <memory>
#include <optional>

#include "common/win/message_pump.h"
#include "package/own_file_win.h"
#include "package/settings_record.h"
#include "setup/frm_setup_win.h"

namespace orlscr {
namespace {

// The package's texts from the record of the program's file, read without a
// target; the file and the record are released at once.
std::optional<PackageTexts> ReadPackageTexts(const std::string& programPath) {
    std::unique_ptr<InputFile> file = OpenPackageFile(programPath);
    std::unique_ptr<TSSFileLocations> record = ReadSettingsRecord(*file);
    if (!record)
        return std::nullopt;
    return PackageTexts{record->Title, record->Author, record->Email, record->Web};
}

}  // namespace

int RunSettingsMode(const std::string& programPath) {
    TfrmSetup form(programPath, [programPath] { return ReadPackageTexts(programPath); });
    form.Show();
    RunMessageLoop(form.Handle());
    return 0;
}

}  // namespace orlscr
