#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "common/error_box.h"
#include "common/path.h"
#include "common/profile_file.h"

namespace orlscr {

// Files beside the program: the music switch (also read by the saver) and the
// optional translation of the dialog's texts.
inline constexpr char kSettingsFileName[] = "CONTROL.INI";
inline constexpr char kSettingsSection[] = "Setup";
inline constexpr char kMuteKey[] = "mute";
inline constexpr char kLanguageFileName[] = "orlscr.ini";
inline constexpr char kLanguageSection[] = "Language";

// The "mute" value as the program stores it: an integer (decimal, or hexadecimal
// after "0x" or "$", as the run mode accepts too), non-zero meaning muted; a
// missing key or text that is not an integer gives `fallback`.
bool ReadMuteSetting(const ProfileFile& settings, bool fallback);

// What opening the address labels asks the shell to open.
std::string MailLinkTarget(std::string_view emailCaption);
// The caption unchanged when it already names the web scheme (in any letter
// case), otherwise "http://" in front of the unchanged caption.
std::string WebLinkTarget(std::string_view webCaption);

// The texts of the package that the dialog shows, taken from its settings record.
struct PackageTexts {
    std::string Title;
    std::string Author;
    std::string Email;
    std::string Web;
};

// The captions of the dialog's window and controls. The defaults are the design
// captions, shown when there is neither a language file nor a record.
struct SetupCaptions {
    std::string caption = "Setup []";
    std::string lblTitle = "Title:";
    std::string lblAuthor = "Author:";
    std::string lblEmail = "Email:";
    std::string lblWeb = "Web address:";
    std::string OKButton = "&Ok";
    std::string cbMute = "Mute music";
    // Lines of the note memo, joined with CR LF; empty until the record is shown.
    std::string note;
};

// The settings dialog without its windows: captions, the music switch and the
// links. The window mirrors Captions() and MuteChecked() into its controls after
// each handler.
//
// The mute-change flag is set whenever the check state changes (as a click or a
// programmatic change of the box does); OK writes the switch only when it is set
// and the file does not already hold the value, so a dialog that was merely
// opened and confirmed leaves the file as it was, except that a muted value
// other than "1" is normalised to "1".
class SetupForm {
  public:
    // Record reader for FormShow: nullopt when the package carries no record
    // (trailer too short); throws Error when the record cannot be read.
    using RecordReader = std::function<std::optional<PackageTexts>()>;

    // `language` is the language file, which may not exist; nothing is read then.
    void FormCreate(const ProfileFile& language);
    // Fills in the package's texts and the music switch. An error from `readRecord`
    // propagates before anything has changed.
    void FormShow(const RecordReader& readRecord, const ProfileFile& settings);
    void cbMuteClick();
    // Writes the music switch when it changed; an error propagates and the
    // dialog stays as it is (the change is kept, so OK can be tried again).
    void OKButtonClick(ProfileFile& settings);

    std::string lblEmailClick() const { return MailLinkTarget(captions_.lblEmail); }
    std::string lblWebClick() const { return WebLinkTarget(captions_.lblWeb); }

    // Changing the check state behaves like a click of the box.
    void SetMuteChecked(bool checked);
    bool MuteChecked() const { return muteChecked_; }
    bool MuteChanged() const { return muteChanged_; }
    const SetupCaptions& Captions() const { return captions_; }

  private:
    SetupCaptions captions_;
    std::string thanks_;
    bool muteChecked_ = false;
    bool muteChanged_ = false;
};

}  // namespace orlscr
