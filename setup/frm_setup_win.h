#pragma once

#include <windows.h>

#include <string>

#include "common/win/profile_file.h"
#include "common/win/unique.h"
#include "common/win/window.h"
#include "setup/setup_form.h"

namespace orlscr {

// The settings dialog: a plain window of 305 x 359 client pixels with the
// package's texts, the address links, the (never shown) music switch and the OK
// button. SetupForm holds the dialog's state and rules; this class creates the
// controls and mirrors that state into them after each handler.
//
// Errors escaping a handler are shown in the standard error box, and the
// handler's remaining steps are skipped.
class TfrmSetup : public Window {
  public:
    // Creates the window hidden and runs FormCreate. `programPath` is the running
    // program's file; the language and settings files lie beside it.
    TfrmSetup(const std::string& programPath, SetupForm::RecordReader readRecord);
    ~TfrmSetup() override;

    // Runs FormShow and shows the window centred on the screen.
    void Show();

  private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    void CreateControls();
    void LayOut(int clientHeight);
    void UpdateControls();
    void AutoSizeLabel(HWND label);
    template <typename Handler>
    void Guarded(Handler handler);

    void FormCreate();
    void FormShow();
    void OKButtonClick();
    void cbMuteClick();
    void lblEmailClick();
    void lblWebClick();
    void lblEmailMouseEnter();
    void lblEmailMouseLeave();
    void OpenLink(const std::string& target);
    bool IsAddressLabel(HWND control) const { return control && (control == lblEmail_ || control == lblWeb_); }

    SetupForm form_;
    SetupForm::RecordReader readRecord_;
    PrivateProfileFile language_;
    PrivateProfileFile settings_;

    HWND lblTitle_ = nullptr;
    HWND lblAuthor_ = nullptr;
    HWND cbMute_ = nullptr;
    HWND lblEmail_ = nullptr;
    HWND lblWeb_ = nullptr;
    HWND memo_ = nullptr;
    HWND OKButton_ = nullptr;

    UniqueBrush background_;
    UniqueFont font_;
    UniqueFont titleFont_;
    UniqueFont linkFont_;
    HCURSOR handCursor_ = nullptr;
    bool overAddress_ = false;
};

}  // namespace orlscr
