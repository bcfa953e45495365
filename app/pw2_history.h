// The edits of one geometry as named steps, each holding the changes its operations recorded: undone newest
// first, redone oldest first. A step costs what it changed (its changes and the removed or undone records it
// keeps alive), never the model; once all steps together pass the limit, the oldest go.
#pragma once

#include "pw2_modelgeometry.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

class pw2_History {
public:
    static constexpr uint64_t LIMIT = uint64_t(256) << 20;

    explicit pw2_History(uint64_t limit = LIMIT) : limit(limit) {}
    pw2_History(const pw2_History&) = delete;
    pw2_History& operator=(const pw2_History&) = delete;
    ~pw2_History();

    // Starts a step on geometry: what its operations change until Commit or Abort belongs to the step. A
    // step that modifies is an unsaved change; a selection step is not. Another geometry starts a new
    // history.
    void Begin(pw2_ModelGeometry* geometry, const std::string& name, bool modifies);
    // Ends the step. One that changed something is kept and logged, and the steps undone before it go; true
    // when it was kept.
    bool Commit();
    // Takes back what the step changed so far and forgets it.
    void Abort();
    bool IsRecording() const { return recording; }

    bool Undo();
    bool Redo();
    // Undoes or redoes until done steps are done.
    void GoTo(size_t done);
    // Forgets every step: the records they held go with them. Needed before the geometry changes hands.
    void Clear();

    size_t GetStepCount() const { return steps.size(); }
    size_t GetDoneCount() const { return done; }
    const std::string& GetName(size_t index) const { return steps[index].name; }
    uint64_t GetMemory() const { return memory; }
    // Whether the step changed nothing but positions and selections, and of which points (in the order
    // changed, a point once for each change).
    bool GetPointsOnly(size_t index, std::vector<pw2_ModelPoint*>& points) const;
    // Counts every change of the steps or of the position in them, for what shows the history.
    uint64_t GetRevision() const { return revision; }

    // Whether what is done differs from what was saved last (or was there at the start) by a modifying step.
    bool IsModified() const;
    void MarkSaved();
    // What is there now was never saved (a recovered copy): modified until the next MarkSaved.
    void MarkUnsaved() {
        saved = -1;
        ++revision;
    }

private:
    struct Step {
        std::string name;
        bool modifies = false;
        std::vector<pw2_GeometryChange> changes;
        uint64_t cost = 0;
    };
    // Faces that a step's going leaves without a way back: removed by a done step, made by an undone one.
    void Release(Step& step, bool isdone);
    void Log() const;
    void UndoOne();
    void RedoOne();

    uint64_t limit;
    pw2_ModelGeometry* geometry = nullptr;
    std::deque<Step> steps;
    size_t done = 0;
    Step pending;
    bool recording = false;
    uint64_t memory = 0;
    uint64_t revision = 0;
    // the number of steps done when the model was saved last; none when that point is gone
    int64_t saved = 0;
};
