#include "setup/setup_form.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>
#include <vector>

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
    std::optional<std::string> Mute() const { return ReadString("Setup", "mute"); }

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

TEST(SetupCaptions, DesignCaptionsUntilTheRecordFillsThemIn) {
    SetupForm form;
    form.FormCreate(NoFile());
    form.FormShow([] { return std::optional<PackageTexts>(); }, NoFile());
    const SetupCaptions& c = form.Captions();
    EXPECT_EQ(
        std::vector<std::string>(
            {c.caption, c.lblTitle, c.lblAuthor, c.lblEmail, c.lblWeb, c.OKButton, c.cbMute, c.note}),
        std::vector<std::string>({"Setup []", "Title:", "Author:", "Email:", "Web address:", "&Ok", "Mute music", ""}));

    form.FormShow(Record(kDemo), NoFile());
    EXPECT_EQ(std::vector<std::string>({c.caption, c.lblTitle, c.lblAuthor, c.lblEmail, c.lblWeb, c.note}),
              std::vector<std::string>(
                  {"Setup [Demo]", "Title:Demo", "Author:Jo Maker", "jo@example.com", "www.example.com", ""}));

    // Empty addresses clear the labels; the links then open the bare schemes.
    SetupForm empty;
    empty.FormCreate(NoFile());
    empty.FormShow(Record({"Demo", "", "", ""}), NoFile());
    EXPECT_EQ(empty.Captions().lblEmail, "");
    EXPECT_EQ(empty.Captions().lblWeb, "");
    EXPECT_EQ(empty.lblEmailClick(), "mailto:");
    EXPECT_EQ(empty.lblWebClick(), "http://");
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
    EXPECT_EQ(form.Captions().note, "") << "the note appears only with the record";

    form.FormShow(Record(kDemo), NoFile());
    EXPECT_EQ(form.Captions().lblTitle, "Titel: Demo");
    EXPECT_EQ(form.Captions().lblAuthor, "Autor: Jo Maker");
    EXPECT_EQ(form.Captions().lblEmail, "jo@example.com");
    EXPECT_EQ(form.Captions().note, "Danke!");

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
    EXPECT_EQ(bare.Captions().note, "Thank you for using our product!");
}

TEST(SetupCaptions, UnreadableRecordChangesNothing) {
    FakeProfile settings;
    settings.Set("Setup", "mute", "1");
    SetupForm form;
    form.FormCreate(NoFile());
    EXPECT_ERROR_MSG(form.FormShow([]() -> std::optional<PackageTexts> { throw Error("Stream read error"); }, settings),
                     "Stream read error");
    EXPECT_EQ(form.Captions().caption, "Setup []");
    EXPECT_EQ(form.Captions().lblTitle, "Title:");
    EXPECT_FALSE(form.MuteChecked());
    form.OKButtonClick(settings);
    EXPECT_EQ(settings.writes, 0);
}

TEST(SetupLinks, WebSchemeIsAddedUnlessPresentInAnyCase) {
    EXPECT_EQ(WebLinkTarget("www.example.com"), "http://www.example.com");
    EXPECT_EQ(WebLinkTarget("WWW.Example.COM/Path"), "http://WWW.Example.COM/Path");
    EXPECT_EQ(WebLinkTarget("HTTP://WWW.EXAMPLE.COM"), "HTTP://WWW.EXAMPLE.COM");
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
    EXPECT_EQ(settings.Mute(), c.afterOk);
    EXPECT_EQ(settings.writes, c.writes);
}

INSTANTIATE_TEST_SUITE_P(StoredValues,
                         SetupMute,
                         testing::Values(MuteCase{"One", true, "1", true, "1", 0},
                                         MuteCase{"Zero", true, "0", false, "0", 0},
                                         MuteCase{"MissingKey", true, std::nullopt, false, std::nullopt, 0},
                                         MuteCase{"NoFile", false, std::nullopt, false, std::nullopt, 0},
                                         MuteCase{"Seven", true, "7", true, "1", 1},
                                         MuteCase{"Hexadecimal", true, "$1F", true, "1", 1},
                                         MuteCase{"HexadecimalZero", true, "0x0", false, "0x0", 0},
                                         MuteCase{"NotANumber", true, "yes", false, "yes", 0}),
                         [](const testing::TestParamInfo<MuteCase>& info) { return info.param.name; });

TEST(SetupMuteSwitch, UncheckingTheBoxWritesZero) {
    FakeProfile settings;
    settings.Set("Setup", "mute", "1");
    SetupForm form;
    form.FormCreate(NoFile());
    form.FormShow(Record(kDemo), settings);
    form.SetMuteChecked(false);
    form.OKButtonClick(settings);
    EXPECT_EQ(settings.Mute(), "0");
}

TEST(SetupMuteSwitch, FailedWriteReportsThePathAndCanBeRetried) {
    FakeProfile settings;
    settings.Set("Setup", "mute", "7");
    settings.writable = false;
    SetupForm form;
    form.FormCreate(NoFile());
    form.FormShow(Record(kDemo), settings);
    EXPECT_ERROR_MSG(form.OKButtonClick(settings), "Unable to write to C:\\Savers\\CONTROL.INI");
    EXPECT_EQ(settings.Mute(), "7");
    settings.writable = true;
    form.OKButtonClick(settings);
    EXPECT_EQ(settings.Mute(), "1");
}

TEST(SetupErrorBox, FullStopAppendedAfterCharactersSortingAfterIt) {
    EXPECT_EQ(ErrorBoxText("Stream read error"), "Stream read error.");
    EXPECT_EQ(ErrorBoxText("Unable to write to C:\\Savers\\CONTROL.INI"),
              "Unable to write to C:\\Savers\\CONTROL.INI.");
    EXPECT_EQ(ErrorBoxText("Already said."), "Already said.");
    EXPECT_EQ(ErrorBoxText("Stop!"), "Stop!");
    EXPECT_EQ(ErrorBoxText("ends in a hyphen-"), "ends in a hyphen-");
    EXPECT_EQ(ErrorBoxText("caf\xe9"), "caf\xe9.");
    EXPECT_EQ(ErrorBoxText(""), "");
}

TEST(SetupErrorBox, ProgramTitleAndFolderFromThePath) {
    EXPECT_EQ(ProgramTitle("C:\\Savers\\player.scr", NoLeadBytes), "player");
    EXPECT_EQ(ProgramTitle("C:\\my.savers\\demo.v2.scr", NoLeadBytes), "demo.v2");
    EXPECT_EQ(ProgramFolder("C:\\Savers\\player.scr", NoLeadBytes), "C:\\Savers\\");
}
