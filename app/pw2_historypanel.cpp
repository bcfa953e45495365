#include "pw2_historypanel.h"

#include "pw2_control_toggle.h"
#include "pw2_editor.h"
#include "pw2_history.h"
#include "pw2_main.h"
#include "pw2_model.h"
#include "qzcallback.h"

#include <algorithm>

namespace {

// the first grid row under the title, and the height of an entry in rows
constexpr int32_t FIRST_ROW = 4;
constexpr int32_t ENTRY_ROWS = 4;

} // namespace

pw2_HistoryPanel::pw2_HistoryPanel(pw2_Main* main, pw2_SubmenuBar* bar) : pw2_Submenu(main, bar) {
    for (Entry& entry : entries) {
        entry.panel = this;
        entry.toggle = new pw2_Control_Toggle(main, this);
        entry.toggle->SetOnClick(qzCallback<>::Bind<&Entry::GoTo>(&entry));
        entry.toggle->SetOnState(qzCallback<bool()>::Bind<&Entry::IsCurrent>(&entry));
        entry.toggle->SetTooltip("Undo or redo to this state");
        entry.toggle->SetVisible(false);
    }
}

void pw2_HistoryPanel::Draw(int32_t clipx, int32_t clipy, int32_t clipwidth, int32_t clipheight) {
    // the entries are drawn after the panel, so they show what this finds
    Refresh();
    pw2_Submenu::Draw(clipx, clipy, clipwidth, clipheight);
}

void pw2_HistoryPanel::Refresh() {
    if (revision != GetMain()->GetModel()->history.GetRevision())
        Relabel();
}

void pw2_HistoryPanel::Relabel() {
    const pw2_History& history = GetMain()->GetModel()->history;
    revision = history.GetRevision();
    const size_t states = history.GetStepCount() + 1;
    const size_t current = history.GetDoneCount();
    // the newest states, unless that leaves out the current one or the one before it, which undoes a step
    const size_t first = std::min(states - std::min(states, SLOTS), std::max<size_t>(current, 1) - 1);
    count = std::min(states, SLOTS);
    const int32_t columncells = GetWidthCells() / int32_t(COLUMNS);
    for (size_t slot = 0; slot < SLOTS; ++slot) {
        Entry& entry = entries[slot];
        entry.toggle->SetVisible(slot < count);
        if (slot >= count)
            continue;
        entry.done = first + slot;
        entry.toggle->SetText(entry.done == 0 ? START : history.GetName(entry.done - 1).c_str());
        // the shown entries of a column stack as one group
        const size_t row = slot % ROWS;
        entry.toggle->SetGridPosition(int32_t(slot / ROWS) * columncells,
                                      FIRST_ROW + int32_t(row) * ENTRY_ROWS, columncells, ENTRY_ROWS, false,
                                      false, row > 0, row + 1 < ROWS && slot + 1 < count);
    }
}

void pw2_HistoryPanel::Entry::GoTo() {
    panel->GetMain()->GetEditor()->GoTo(done);
    panel->Refresh();
}

bool pw2_HistoryPanel::Entry::IsCurrent() {
    return done == panel->GetMain()->GetModel()->history.GetDoneCount();
}
