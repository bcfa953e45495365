// The document: the model's geometries and the one that is shown and edited, and the file it came from. It
// opens with a fixed sample scene, so that there is something to look at and a selection to show, unless a
// file is loaded at start.
#pragma once

#include "pw2_history.h"
#include "qzobjectlist.h"
#include "qzvector.h"

#include <cstdint>
#include <string>
#include <vector>

class pw2_ModelGeometry;
struct pw2_ModelPoint;
class pw2_Progress;

class pw2_Model {
public:
    explicit pw2_Model(bool samplescene = true);
    pw2_Model(const pw2_Model&) = delete;
    pw2_Model& operator=(const pw2_Model&) = delete;
    ~pw2_Model();

    // Builds the sample scene into the current geometry, which must be empty.
    void BuildSampleScene();

    // A new, empty geometry of this model that is not shown: a load fills it away from the current one.
    pw2_ModelGeometry* CreateGeometry();
    // Reads the file into geometry (empty, not the current one) and logs the outcome. Runs on any thread: it
    // touches nothing of the model but that geometry. Throws pw2_ModelFileError or pw2_Cancelled.
    static void Load(const std::string& path, pw2_ModelGeometry& geometry, pw2_Progress& progress);
    // Makes a loaded geometry the current one, which came from path; the one shown before goes, and with it
    // its history.
    void Replace(pw2_ModelGeometry* geometry, const std::string& path);
    // Writes the current geometry to path, whose extension names the format, and logs the outcome; the model
    // then belongs to that file, and has no unsaved changes. Throws pw2_ModelFileError.
    void Save(const std::string& path);

    // The box around every point of the current geometry; false when it has none.
    bool GetBounds(qzVector3& low, qzVector3& high) const;

    // base length of the grid
    double unitsize = 1.0;
    qzObjectList<pw2_ModelGeometry> geometries;
    pw2_ModelGeometry* currentgeometry = nullptr;
    // Counts the changes of what is shown, so that what is made from it (the device's copy) is made again.
    uint64_t revision = 0;
    // The points whose positions or selections changed since the last frame, and the count of such changes:
    // what is drawn of them is written again in place instead of made again whole.
    std::vector<pw2_ModelPoint*> changedpoints;
    uint64_t pointsrevision = 0;
    // the file the model came from or was saved to last; empty for the sample scene
    std::string path;
    // the edits of the current geometry; a new geometry starts a new one
    pw2_History history;
};
