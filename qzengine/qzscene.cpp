#include "qzscene.h"

#include "qzassert.h"
#include "qzdevice.h"

qzScene::~qzScene() {
    if (device != nullptr)
        End();
}

void qzScene::Begin(qzDevice* _device) {
    QZASSERT(device == nullptr, "device==NULL");
    _device->BeginScene();
    device = _device;
}

void qzScene::Register(qzVertexQueueBase* queue) {
    QZASSERT(device != nullptr, "device!=NULL");
    queues.Append(queue);
}

void qzScene::End() {
    QZASSERT(device != nullptr, "device!=NULL");
    while (queues.first != nullptr) {
        qzVertexQueueBase* queue = queues.first;
        queue->Unlink();
        // a queue that a reset destroyed during the frame holds nothing to drop
        if (queue->Exists())
            queue->Reset();
    }
    device->EndScene();
    device = nullptr;
}
