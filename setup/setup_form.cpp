#include "setup/setup_form.h"

#include "common/error.h"
#include "common/text.h"

namespace orlscr {

// An integer as the run mode reads it from the same file: decimal, or
// hexadecimal after "0x" or "$", 32 bits.
bool ReadMuteSetting(const ProfileFile& settings, bool fallback) {
    auto text = settings.ReadString(kSettingsSection, kMuteKey);
    if (!text)
        return fallback;
    auto value = ParseProfileInteger(*text);
    if (!value)
        return fallback;
    return *value != 0;
}

std::string MailLinkTarget(std::string_view emailCaption) {
    return "mailto:" + std::string(emailCaption);
}

std::string WebLinkTarget(std::string_view webCaption) {
    // "https://" counts as a scheme too: putting "http://" in front of it would
    // make an address no browser can open.
    std::string lower = LowerAscii(webCaption);
    if (lower.find("http://") != std::string::npos || lower.find("https://") != std::string::npos)
        return std::string(webCaption);
    return "http://" + std::string(webCaption);
}

void SetupForm::FormCreate(const ProfileFile& language) {
    muteChanged_ = false;
    if (language.Exists()) {
        // Keys missing from an existing file fall back to the design captions,
        // except for the three texts that have defaults of their own.
        auto read = [&](const char* key, const std::string& fallback) {
            return language.ReadString(kLanguageSection, key).value_or(fallback);
        };
        captions_.lblTitle = read("Title", captions_.lblTitle);
        captions_.lblAuthor = read("Author", captions_.lblAuthor);
        captions_.lblEmail = read("Email", captions_.lblEmail);
        captions_.lblWeb = read("Web", captions_.lblWeb);
        captions_.OKButton = read("btnOK", "OK");
        captions_.cbMute = read("MuteMusic", "Mute music");
        thanks_ = read("Thanks2", "Thank you for using our product!");
    }
}

void SetupForm::FormShow(const RecordReader& readRecord, const ProfileFile& settings) {
    std::optional<PackageTexts> record = readRecord();
    if (!record)
        return;
    SetMuteChecked(ReadMuteSetting(settings, false));
    captions_.caption = "Setup [" + record->Title + "]";
    captions_.lblTitle += record->Title;
    captions_.lblAuthor += record->Author;
    captions_.lblEmail = record->Email;
    captions_.lblWeb = record->Web;
    if (!captions_.note.empty())
        captions_.note += "\r\n";
    captions_.note += thanks_;
}

void SetupForm::cbMuteClick() {
    muteChanged_ = true;
}

void SetupForm::SetMuteChecked(bool checked) {
    if (checked == muteChecked_)
        return;
    muteChecked_ = checked;
    cbMuteClick();
}

void SetupForm::OKButtonClick(ProfileFile& settings) {
    if (!muteChanged_)
        return;
    // A file that already holds exactly the value is left alone, so confirming a
    // muted package in a folder that cannot be written does not fail.
    const char* value = muteChecked_ ? "1" : "0";
    if (settings.ReadString(kSettingsSection, kMuteKey) == value)
        return;
    settings.WriteString(kSettingsSection, kMuteKey, value);
}

}  // namespace orlscr
