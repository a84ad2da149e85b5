#include "setup/setup_form.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>

#include "common/error.h"
#include "support/expect_error.h"

using namespace orlscr;

namespace {

// An initialisation file held in memory; records every write.
class FakeProfile : public ProfileFile {
  public:
    bool exists = true;
    bool writable = true;
    std::map<std::pair<std::string, std::string>, std::string> values;
    int writes = 0;

    FakeProfile& Set(std::string section, std::string key, std::string value) {
        values[{std::move(section), std::move(key)}] = std::move(value);
        return *this;
    }
    std::optional<std::string> Get(const std::string& section, const std::string& key) const {
        return ReadString(section, key);
    }

    bool Exists() const override { return exists; }
    std::optional<std::string> ReadString(std::string_view section, std::string_view key) const override {
        if (!exists)
            return std::nullopt;
        auto it = values.find({std::string(section), std::string(key)});
        if (it == values.end())
            return std::nullopt;
        return it->second;
    }
    void WriteString(std::string_view section, std::string_view key, std::string_view value) override {
        if (!writable)
            throw Error(UnableToWriteMessage("C:\\Savers\\CONTROL.INI"));
        ++writes;
        exists = true;
        Set(std::string(section), std::string(key), std::string(value));
    }
};

FakeProfile NoFile() {
    FakeProfile file;
    file.exists = false;
    return file;
}

SetupForm::RecordReader Record(PackageTexts texts) {
    return [texts] { return std::optional<PackageTexts>(texts); };
}

const PackageTexts kDemo{"Demo", "Jo Maker", "jo@example.com", "www.example.com"};

}  // namespace

TEST(SetupCaptions, DesignCaptionsWithoutLanguageFileOrRecord) {
    SetupForm form;
    form.FormCreate(NoFile());
    form.FormShow([] { return std::optional<PackageTexts>(); }, NoFile());
    const SetupCaptions& c = form.Captions();
    EXPECT_EQ(c.Caption, "Setup []");
    EXPECT_EQ(c.lblTitle, "Title:");
    EXPECT_EQ(c.lblAuthor, "Author:");
    EXPECT_EQ(c.lblEmail, "Email:");
    EXPECT_EQ(c.lblWeb, "Web address:");
    EXPECT_EQ(c.OKButton, "&Ok");
    EXPECT_EQ(c.cbMute, "Mute music");
    EXPECT_EQ(c.Note, "");
}

TEST(SetupCaptions, RecordTextsAreAppendedWithoutBlankAndAddressesReplaced) {
    SetupForm form;
    form.FormCreate(NoFile());
    form.FormShow(Record(kDemo), NoFile());
    const SetupCaptions& c = form.Captions();
    EXPECT_EQ(c.Caption, "Setup [Demo]");
    EXPECT_EQ(c.lblTitle, "Title:Demo");
    EXPECT_EQ(c.lblAuthor, "Author:Jo Maker");
    EXPECT_EQ(c.lblEmail, "jo@example.com");
    EXPECT_EQ(c.lblWeb, "www.example.com");
    EXPECT_EQ(c.OKButton, "&Ok");
    EXPECT_EQ(c.Note, "");
}

TEST(SetupCaptions, EmptyAddressesClearTheLabels) {
    SetupForm form;
    form.FormCreate(NoFile());
    form.FormShow(Record({"Demo", "", "", ""}), NoFile());
    EXPECT_EQ(form.Captions().lblAuthor, "Author:");
    EXPECT_EQ(form.Captions().lblEmail, "");
    EXPECT_EQ(form.Captions().lblWeb, "");
    EXPECT_EQ(form.lblEmailClick(), "mailto:");
    EXPECT_EQ(form.lblWebClick(), "http://");
}

TEST(SetupCaptions, LanguageFileTextsAndTheirDefaults) {
    FakeProfile language;
    language.Set("Language", "Title", "Titel: ")
        .Set("Language", "Author", "Autor: ")
        .Set("Language", "Email", "E-Post")
        .Set("Language", "Web", "Netz")
        .Set("Language", "btnOK", "&Gut")
        .Set("Language", "MuteMusic", "Stumm")
        .Set("Language", "Thanks2", "Danke!");
    SetupForm form;
    form.FormCreate(language);
    EXPECT_EQ(form.Captions().lblEmail, "E-Post");
    EXPECT_EQ(form.Captions().lblWeb, "Netz");
    EXPECT_EQ(form.Captions().OKButton, "&Gut");
    EXPECT_EQ(form.Captions().cbMute, "Stumm");
    EXPECT_EQ(form.Captions().Note, "") << "the note appears only with the record";

    form.FormShow(Record(kDemo), NoFile());
    EXPECT_EQ(form.Captions().lblTitle, "Titel: Demo");
    EXPECT_EQ(form.Captions().lblAuthor, "Autor: Jo Maker");
    EXPECT_EQ(form.Captions().lblEmail, "jo@example.com");
    EXPECT_EQ(form.Captions().Note, "Danke!");

    // An existing file without any of the keys: design captions for the labels,
    // the texts' own defaults for the rest.
    FakeProfile empty;
    SetupForm bare;
    bare.FormCreate(empty);
    bare.FormShow(Record(kDemo), NoFile());
    EXPECT_EQ(bare.Captions().lblTitle, "Title:Demo");
    EXPECT_EQ(bare.Captions().lblAuthor, "Author:Jo Maker");
    EXPECT_EQ(bare.Captions().OKButton, "OK");
    EXPECT_EQ(bare.Captions().cbMute, "Mute music");
    EXPECT_EQ(bare.Captions().Note, "Thank you for using our product!");

    // A key that is present but empty is a translation to nothing.
    FakeProfile blank;
    blank.Set("Language", "Title", "");
    SetupForm blanked;
    blanked.FormCreate(blank);
    EXPECT_EQ(blanked.Captions().lblTitle, "");
    EXPECT_EQ(blanked.Captions().lblAuthor, "Author:");
}

TEST(SetupCaptions, UnreadableRecordChangesNothing) {
    FakeProfile settings;
    settings.Set("Setup", "mute", "1");
    SetupForm form;
    form.FormCreate(NoFile());
    EXPECT_ERROR_MSG(form.FormShow([]() -> std::optional<PackageTexts> { throw Error("Stream read error"); }, settings),
                     "Stream read error");
    EXPECT_EQ(form.Captions().Caption, "Setup []");
    EXPECT_EQ(form.Captions().lblTitle, "Title:");
    EXPECT_FALSE(form.MuteChecked());
    form.OKButtonClick(settings);
    EXPECT_EQ(settings.writes, 0);
}

TEST(SetupLinks, WebSchemeIsAddedUnlessPresentInAnyCase) {
    EXPECT_EQ(WebLinkTarget("www.example.com"), "http://www.example.com");
    EXPECT_EQ(WebLinkTarget("WWW.Example.COM/Path"), "http://WWW.Example.COM/Path");
    EXPECT_EQ(WebLinkTarget("HTTP://WWW.EXAMPLE.COM"), "HTTP://WWW.EXAMPLE.COM");
    EXPECT_EQ(WebLinkTarget("http://example.com"), "http://example.com");
    EXPECT_EQ(WebLinkTarget("Https://example.com"), "Https://example.com");
    EXPECT_EQ(MailLinkTarget("jo@example.com"), "mailto:jo@example.com");
}

// The music switch over what CONTROL.INI may hold when the dialog opens.
struct MuteCase {
    const char* name;
    bool fileExists;
    std::optional<std::string> stored;
    bool checked;
    std::optional<std::string> afterOk;
    int writes;
};

class SetupMute : public testing::TestWithParam<MuteCase> {};

TEST_P(SetupMute, OkWritesOnlyWhatChanged) {
    const MuteCase& c = GetParam();
    FakeProfile settings;
    settings.exists = c.fileExists;
    if (c.stored)
        settings.Set("Setup", "mute", *c.stored);
    SetupForm form;
    form.FormCreate(NoFile());
    form.FormShow(Record(kDemo), settings);
    EXPECT_EQ(form.MuteChecked(), c.checked);
    form.OKButtonClick(settings);
    EXPECT_EQ(settings.Get("Setup", "mute"), c.afterOk);
    EXPECT_EQ(settings.writes, c.writes);
}

INSTANTIATE_TEST_SUITE_P(StoredValues,
                         SetupMute,
                         testing::Values(MuteCase{"One", true, "1", true, "1", 0},
                                         MuteCase{"Zero", true, "0", false, "0", 0},
                                         MuteCase{"MissingKey", true, std::nullopt, false, std::nullopt, 0},
                                         MuteCase{"NoFile", false, std::nullopt, false, std::nullopt, 0},
                                         MuteCase{"Seven", true, "7", true, "1", 1},
                                         MuteCase{"Negative", true, "-1", true, "1", 1},
                                         MuteCase{"NotANumber", true, "yes", false, "yes", 0}),
                         [](const testing::TestParamInfo<MuteCase>& info) { return info.param.name; });

TEST(SetupMuteSwitch, ChangingTheBoxWritesTheNewState) {
    FakeProfile settings;
    settings.Set("Setup", "mute", "1");
    SetupForm form;
    form.FormCreate(NoFile());
    form.FormShow(Record(kDemo), settings);
    form.SetMuteChecked(false);
    form.OKButtonClick(settings);
    EXPECT_EQ(settings.Get("Setup", "mute"), "0");

    FakeProfile none = NoFile();
    SetupForm unmuted;
    unmuted.FormCreate(NoFile());
    unmuted.FormShow(Record(kDemo), none);
    EXPECT_FALSE(unmuted.MuteChanged());
    unmuted.SetMuteChecked(false);  // no change of state, no click
    EXPECT_FALSE(unmuted.MuteChanged());
    unmuted.SetMuteChecked(true);
    unmuted.OKButtonClick(none);
    EXPECT_EQ(none.Get("Setup", "mute"), "1");
}

TEST(SetupMuteSwitch, FailedWriteReportsThePathAndCanBeRetried) {
    FakeProfile settings;
    settings.Set("Setup", "mute", "7");
    settings.writable = false;
    SetupForm form;
    form.FormCreate(NoFile());
    form.FormShow(Record(kDemo), settings);
    EXPECT_ERROR_MSG(form.OKButtonClick(settings), "Unable to write to C:\\Savers\\CONTROL.INI");
    EXPECT_EQ(settings.Get("Setup", "mute"), "7");
    settings.writable = true;
    form.OKButtonClick(settings);
    EXPECT_EQ(settings.Get("Setup", "mute"), "1");
}

TEST(SetupErrorBox, FullStopAppendedAfterCharactersSortingAfterIt) {
    EXPECT_EQ(ErrorBoxText("Stream read error"), "Stream read error.");
    EXPECT_EQ(ErrorBoxText("Unable to write to C:\\Savers\\CONTROL.INI"),
              "Unable to write to C:\\Savers\\CONTROL.INI.");
    EXPECT_EQ(ErrorBoxText("Class TFoo not found"), "Class TFoo not found.");
    EXPECT_EQ(ErrorBoxText("Already said."), "Already said.");
    EXPECT_EQ(ErrorBoxText("Stop!"), "Stop!");
    EXPECT_EQ(ErrorBoxText("ends in a hyphen-"), "ends in a hyphen-");
    EXPECT_EQ(ErrorBoxText("slash/"), "slash/.");
    EXPECT_EQ(ErrorBoxText("caf\xe9"), "caf\xe9.");
    EXPECT_EQ(ErrorBoxText(""), "");
}

TEST(SetupErrorBox, ProgramTitleAndFolderFromThePath) {
    EXPECT_EQ(ProgramTitle("C:\\Savers\\player.scr"), "player");
    EXPECT_EQ(ProgramTitle("C:\\my.savers\\demo.v2.scr"), "demo.v2");
    EXPECT_EQ(ProgramTitle("C:\\my.savers\\noext"), "noext");
    EXPECT_EQ(ProgramFolder("C:\\Savers\\player.scr"), "C:\\Savers\\");
    EXPECT_EQ(ProgramFolder("player.scr"), "");
}
