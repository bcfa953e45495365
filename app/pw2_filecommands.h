// The ways a model file comes in and goes out of the editor: Open, Save and Save as (from the keys, the
// "File" panel, a drop or the command line), the load that runs away from the window's thread with its
// progress and cancelling, the title that names the file and its unsaved changes, the questions asked before
// unsaved changes go, and the message box that says why something failed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class pw2_Main;
class pw2_ModelLoader;

// The window's title without a model's name.
constexpr char PW2_TITLE[] = "Facetwright v6";

class pw2_FileCommands {
public:
    // The progress shows once a load has run this long.
    static constexpr uint32_t PROGRESSDELAY = 500;

    // The progress delay reads GetTime unless a clock is given.
    explicit pw2_FileCommands(pw2_Main* main, uint32_t (*clock)() = nullptr);
    ~pw2_FileCommands();
    pw2_FileCommands(const pw2_FileCommands&) = delete;
    pw2_FileCommands& operator=(const pw2_FileCommands&) = delete;

    // The open dialog, then OpenFile with the chosen file.
    void Open();
    // To the file the model came from, or as Save as when it has none or its format cannot be written.
    void Save() { SaveModel(); }
    // The save dialog, then the save.
    void SaveAs() { SaveModelAs(); }
    // Starts loading path, once AskToSaveChanges agrees; a load that still runs is cancelled first. With
    // fallback set, a load that fails or is cancelled leaves the sample scene (the start-up load).
    void OpenFile(const std::string& path, bool fallback = false);
    // While the model has unsaved changes, asks whether to save them first: true when the model may go
    // (saved, or its changes discarded), false when the user cancelled or the save did not happen.
    bool AskToSaveChanges();
    // At start, once the first frame shows the window: offers to open the copy of unsaved changes that a
    // crash left, as a model without a file (a refused copy is deleted), and otherwise opens startfile, if
    // any. Without such a copy the start file is opened at once.
    void Start(const std::string& startfile);
    void CancelLoad();

    // Once per pass of the main loop: takes in a load that has ended, and asks for a redraw while the
    // progress moves.
    void Update();
    bool IsLoading() const { return loader != nullptr; }
    // A failed load's message, or the offer of a recovery copy, waits for the next frame.
    bool HasMessageToShow() const { return !failure.empty() || !leftcopy.empty(); }
    bool IsProgressShown() const;
    // 0 to 1.
    double GetProgress() const;
    // The file being loaded, without its folder.
    std::string GetLoadingName() const;
    // The window's title for the model's file and its unsaved changes.
    void UpdateTitle();

private:
    void StartLoad(const std::string& path, bool fallback, bool recovered);
    void Finish();
    // True when the copy is being loaded.
    bool OfferRecoveryCopy();
    // Each answers true once the model is saved, false when the dialog was cancelled or the save failed.
    bool SaveModel();
    bool SaveModelAs();
    bool SaveTo(const std::string& path);
    // The file name of the model, "Untitled" when it has none.
    std::string GetModelName() const;
    void ShowFailure(const char* caption, const std::string& text);
    // "NAME, line N: reason", without the line where there is none.
    static std::string FailureText(const std::string& path, const std::string& reason, uint64_t line);
    // Whether a frame was drawn after the first frames frames, or none ever will be (there is no device).
    bool FrameDrawnSince(uint64_t frames) const;
    void FrameViews();
    uint32_t Now() const;

    pw2_Main* main;
    uint32_t (*clock)();
    std::unique_ptr<pw2_ModelLoader> loader;
    // Why the last load failed, told once a frame shows what the failure left (the sample scene, for a
    // start file), rather than over a window not drawn yet.
    std::string failure;
    uint64_t failureframe = 0;
    // the recovery copy to offer at the first frame, and the start file that waits for the answer
    std::string leftcopy;
    std::string startfile;
    uint32_t loadstart = 0;
    bool fallback = false;
    // the load is of a recovery copy
    bool recovering = false;
    // what the title shows, so that it is set only when it changes
    std::string title = PW2_TITLE;
    // the progress drawn last, in bar pixels' worth of thousandths
    int32_t shownpermille = -1;
};

// The file name without its folder.
std::string pw2_FileName(const std::string& path);
