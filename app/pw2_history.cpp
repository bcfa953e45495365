#include "pw2_history.h"

#include "qzassert.h"
#include "qzdebugoutput.h"
#include "qzstring.h"

#include <algorithm>

pw2_History::~pw2_History() {
    Clear();
}

void pw2_History::Begin(pw2_ModelGeometry* to, const std::string& name, bool modifies) {
    QZASSERT(!recording, "!recording");
    if (to != geometry) {
        Clear();
        geometry = to;
    }
    pending = Step{name, modifies, {}, 0};
    recording = true;
    geometry->journal = &pending.changes;
}

bool pw2_History::Commit() {
    QZASSERT(recording, "recording");
    recording = false;
    geometry->journal = nullptr;
    if (pending.changes.empty())
        return false;
    while (steps.size() > done) {
        Release(steps.back(), false);
        memory -= steps.back().cost;
        steps.pop_back();
    }
    if (saved > static_cast<int64_t>(done))
        saved = -1;
    pending.changes.shrink_to_fit();
    pending.cost = pending.changes.capacity() * sizeof(pw2_GeometryChange) + pending.name.capacity();
    for (const pw2_GeometryChange& change : pending.changes)
        pending.cost += pw2_ModelGeometry::RecordSize(change);
    memory += pending.cost;
    steps.push_back(std::move(pending));
    pending = Step();
    ++done;
    // the newest step stays, however large
    while (memory > limit && steps.size() > 1) {
        Release(steps.front(), true);
        memory -= steps.front().cost;
        steps.pop_front();
        --done;
        --saved;
    }
    ++revision;
    Log();
    return true;
}

void pw2_History::Abort() {
    QZASSERT(recording, "recording");
    recording = false;
    geometry->journal = nullptr;
    geometry->Undo(pending.changes);
    Release(pending, false);
    pending = Step();
}

void pw2_History::UndoOne() {
    geometry->Undo(steps[--done].changes);
}

void pw2_History::RedoOne() {
    geometry->Redo(steps[done++].changes);
}

bool pw2_History::Undo() {
    if (recording || done == 0)
        return false;
    UndoOne();
    ++revision;
    Log();
    return true;
}

bool pw2_History::Redo() {
    if (recording || done == steps.size())
        return false;
    RedoOne();
    ++revision;
    Log();
    return true;
}

void pw2_History::GoTo(size_t to) {
    if (recording || to == done || to > steps.size())
        return;
    while (done > to)
        UndoOne();
    while (done < to)
        RedoOne();
    ++revision;
    Log();
}

void pw2_History::Clear() {
    QZASSERT(!recording, "!recording");
    for (size_t i = steps.size(); i-- > 0;)
        Release(steps[i], i < done);
    steps.clear();
    done = 0;
    saved = 0;
    memory = 0;
    ++revision;
}

void pw2_History::Release(Step& step, bool isdone) {
    const auto kept = isdone ? pw2_GeometryChange::Kind::UNLINK : pw2_GeometryChange::Kind::APPEND;
    for (const pw2_GeometryChange& change : step.changes)
        if (change.list == pw2_GeometryChange::List::FACES && change.kind == kept)
            geometry->ReleaseRemovedFace(static_cast<pw2_ModelFace*>(change.record));
}

bool pw2_History::GetPointsOnly(size_t index, std::vector<pw2_ModelPoint*>& points) const {
    points.clear();
    for (const pw2_GeometryChange& change : steps[index].changes) {
        if (change.kind != pw2_GeometryChange::Kind::POSITION &&
            change.kind != pw2_GeometryChange::Kind::SELECTION)
            return false;
        points.push_back(static_cast<pw2_ModelPoint*>(change.record));
    }
    return true;
}

bool pw2_History::IsModified() const {
    if (saved < 0)
        return true;
    const size_t low = std::min(done, static_cast<size_t>(saved));
    const size_t high = std::max(done, static_cast<size_t>(saved));
    for (size_t i = low; i < high; ++i)
        if (steps[i].modifies)
            return true;
    return false;
}

void pw2_History::MarkSaved() {
    saved = static_cast<int64_t>(done);
    ++revision;
}

void pw2_History::Log() const {
    qzString line("[pw2_History] STEP: ");
    line.AppendUInt(geometry->pointcount);
    line.Append(" points, ");
    line.AppendUInt(geometry->edgecount);
    line.Append(" edges, ");
    line.AppendUInt(geometry->facecount);
    line.Append(" faces.\n");
    qzOutputDebugString(line);
}
