// One frame on a device: begins the scene, collects the vertex queues that draw into it, and resets them
// (dropping what they still hold and unlocking their buffers) before the scene ends.
#pragma once

#include "qzobjectlist.h"
#include "qzvertexqueue.h"

class qzDevice;

class qzScene {
public:
    qzScene() = default;
    // Ends the scene when it is still begun, also when an exception leaves the frame.
    ~qzScene();
    qzScene(const qzScene&) = delete;
    qzScene& operator=(const qzScene&) = delete;

    void Begin(qzDevice* device);
    void Register(qzVertexQueueBase* queue);
    void End();

    qzDevice* device = nullptr;
    qzObjectList<qzVertexQueueBase> queues;
};
