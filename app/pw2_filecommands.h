// The ways a model file comes in and goes out of the editor: Open, Save and Save as (from the keys, the
// "File" panel, a drop or the command line), the load that runs away from the window's thread with its
// progress and cancelling, the title that names the file, and the message box that says why something failed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class pw2_Main;
class pw2_ModelLoader;

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
    void Save();
    // The save dialog, then the save.
    void SaveAs();
    // Starts loading path; a load that still runs is cancelled first. With fallback set, a load that fails
    // or is cancelled leaves the sample scene (the start-up load).
    void OpenFile(const std::string& path, bool fallback = false);
    void CancelLoad();

    // Once per pass of the main loop: takes in a load that has ended, and asks for a redraw while the
    // progress moves.
    void Update();
    bool IsLoading() const { return loader != nullptr; }
    bool IsProgressShown() const;
    // 0 to 1.
    double GetProgress() const;
    // The file being loaded, without its folder.
    std::string GetLoadingName() const;

private:
    void Finish();
    void SaveTo(const std::string& path);
    void ShowFailure(const char* caption, const std::string& path, const std::string& reason, uint64_t line);
    void UpdateTitle();
    void FrameViews();
    uint32_t Now() const;

    pw2_Main* main;
    uint32_t (*clock)();
    std::unique_ptr<pw2_ModelLoader> loader;
    uint32_t loadstart = 0;
    bool fallback = false;
    // the progress drawn last, in bar pixels' worth of thousandths
    int32_t shownpermille = -1;
};

// The file name without its folder.
std::string pw2_FileName(const std::string& path);
