#pragma once

#include <windows.h>

#include <commctrl.h>
#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/win/unique.h"
#include "common/win/window.h"
#include "tools/studio/studio_build.h"
#include "tools/studio/studio_model.h"
#include "tools/studio/thumbnailer_win.h"

namespace orlscr {
class TTransitionView;
}

namespace orlscr::studio {

// The studio's main window: a thin shell over StudioProject. Every control
// change is written into the project at once, and the controls are filled
// from the project after anything replaces it (a project file opened).
class StudioWindow final : public Window {
  public:
    // `programFolder`: where the carried player, viewer and hook library lie.
    explicit StudioWindow(std::string programFolder);
    ~StudioWindow() override;

    // Opens what the command line names: a folder, pictures or a project.
    void OpenArguments(const std::vector<std::string>& arguments);
    // The keyboard shortcuts, for the message loop.
    HACCEL Accelerators() const { return accelerators_; }

  private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void WindowDestroyed() override;

    void CreateControls();
    HWND Control(int id) const { return GetDlgItem(window_, id); }
    void ApplyDpi(UINT dpi);
    void Layout();
    void TraceClippedControls();
    SIZE TitleSize(int id) const;
    int Scale(int dips) const { return MulDiv(dips, static_cast<int>(dpi_), 96); }

    void OnCommand(int id, int code);
    LRESULT OnNotify(NMHDR* header);

    // Slides
    void AddPictureFiles(const std::vector<std::string>& paths);
    void AddFolder(const std::string& folder);
    void AskForPictures();
    void AskForFolder();
    void RemoveSelected();
    void MoveSelected(int delta);
    void MoveSelectedTo(size_t target);
    std::vector<size_t> Selection() const;
    void RefreshSlides(const std::vector<size_t>& select = {});
    void ShowSelectedSlide();
    void StoreSelectedSlideOptions();
    void OnThumbnail(Thumbnail* result);
    void ResetThumbnails();

    // Show, music, saver
    void FillControls();
    void ReadShowControls();
    void ReadSaverControls();
    void AskForMusic();
    void RefreshMusic();
    void MoveTrack(int delta);
    void AskForPreviewPicture();
    void RestartTransitionPreview();
    void NextPreviewTransition();

    // Build, preview, install, projects
    void Build();
    void Preview();
    void StartBuild(const std::string& output, bool preview);
    void OnBuildProgress();
    void OnBuilt(BuildOutcome* outcome);
    void CancelBuild();
    void Install();
    void SaveProject();
    void OpenProject(const std::string& path);
    void SetStatus(const std::wstring& text);
    void ShowReport(const std::vector<std::string>& lines);
    void UpdateButtons();

    std::string programFolder_;
    StudioProject project_;
    UINT dpi_ = 96;
    UniqueFont font_;
    RECT groupFrames_[4] = {};  // slides, show, music, saver
    HACCEL accelerators_ = nullptr;
    HIMAGELIST images_ = nullptr;
    int thumbWidth_ = 0;
    int thumbHeight_ = 0;
    std::map<std::string, int> thumbnailOf_;  // path -> image index
    std::unique_ptr<Thumbnailer> thumbnailer_;
    std::unique_ptr<TTransitionView> transitionView_;
    std::vector<Bitmap> previewPictures_;
    size_t previewShown_ = 0;
    bool filling_ = false;      // controls being filled from the project
    int dragFrom_ = -1;         // a slide drag is under way
    HWND lastFocus_ = nullptr;  // the control with the focus when the window was last active

    std::thread buildThread_;
    std::atomic<bool> cancel_{false};
    std::atomic<bool> progressPosted_{false};
    std::atomic<int> progressPercent_{0};
    bool building_ = false;
    bool buildIsPreview_ = false;
    std::string buildOutput_;
    std::string lastBuilt_;
    UniqueHandle previewProcess_;
};

}  // namespace orlscr::studio
