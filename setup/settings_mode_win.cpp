// The settings mode: the settings dialog as the main window, under a message
// loop that gives it the keyboard handling of a dialog (Tab, Enter, Alt+O).

#include <windows.h>

#include <string>

#include "entry/modes_win.h"
#include "package/own_file_win.h"
#include "package/settings_record.h"
#include "setup/frm_setup_win.h"

namespace orlscr {
namespace {

// The package's texts from the record of the running program's own file, read
// without a target; the file and the record are released at once.
std::optional<PackageTexts> ReadOwnPackageTexts() {
    std::unique_ptr<TSSFileLocations> record = ReadOwnSettingsRecord();
    if (!record)
        return std::nullopt;
    return PackageTexts{record->Title, record->Author, record->Email, record->Web};
}

}  // namespace

void RunSettingsMode() {
    TfrmSetup form(OwnFileName(), ReadOwnPackageTexts);
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
