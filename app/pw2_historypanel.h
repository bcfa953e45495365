// The "History" panel: the newest states of the model's history as toggles in two columns, read down the
// first column and then the second, the oldest first. The first state is the one before every kept step;
// each other state is named after the step that led to it. The current state is on, the undone ones after it
// are off, and a click on any state undoes or redoes to it.
#pragma once

#include "pw2_submenu.h"

#include <array>
#include <cstddef>
#include <cstdint>

class pw2_Control_Toggle;

class pw2_HistoryPanel : public pw2_Submenu {
public:
    static constexpr size_t COLUMNS = 2;
    static constexpr size_t ROWS = 5;
    static constexpr size_t SLOTS = COLUMNS * ROWS;
    // the name of the state before every kept step
    static constexpr const char* START = "Start";

    pw2_HistoryPanel(pw2_Main* main, pw2_SubmenuBar* bar);

    // Relabels the entries first when the history changed since they were labelled.
    void Draw(int32_t clipx, int32_t clipy, int32_t clipwidth, int32_t clipheight) override;
    // Relabels the entries when the history changed since they were labelled; cheap when it did not.
    void Refresh();

    // The states shown, at most SLOTS: each one's toggle and the number of steps done in it.
    size_t GetEntryCount() const { return count; }
    pw2_Control_Toggle* GetEntry(size_t slot) const { return entries[slot].toggle; }
    size_t GetEntryDone(size_t slot) const { return entries[slot].done; }

private:
    // One slot: its toggle's callbacks are bound to it, so it stays at one address.
    struct Entry {
        pw2_HistoryPanel* panel = nullptr;
        pw2_Control_Toggle* toggle = nullptr;
        size_t done = 0;
        void GoTo();
        bool IsCurrent();
    };

    void Relabel();

    std::array<Entry, SLOTS> entries;
    size_t count = 0;
    // the history's revision when the entries were labelled; none before the first time
    uint64_t revision = UINT64_MAX;
};
