// The document: the model's geometries and the one that is shown and edited. It opens with a fixed sample
// scene, so that there is something to look at and a selection to show.
#pragma once

#include "qzobjectlist.h"

class pw2_ModelGeometry;

class pw2_Model {
public:
    pw2_Model();
    pw2_Model(const pw2_Model&) = delete;
    pw2_Model& operator=(const pw2_Model&) = delete;
    ~pw2_Model();

    // base length of the grid
    double unitsize = 1.0;
    qzObjectList<pw2_ModelGeometry> geometries;
    pw2_ModelGeometry* currentgeometry = nullptr;
};
