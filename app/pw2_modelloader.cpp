#include "pw2_modelloader.h"

#include "pw2_model.h"

pw2_ModelLoader::pw2_ModelLoader(const std::string& path, pw2_ModelGeometry* geometry)
    : path(path), geometry(geometry), thread(&pw2_ModelLoader::Run, this) {}

pw2_ModelLoader::~pw2_ModelLoader() {
    Cancel();
    Wait();
}

void pw2_ModelLoader::Wait() {
    if (thread.joinable())
        thread.join();
}

void pw2_ModelLoader::Run() {
    State outcome = State::Loaded;
    try {
        pw2_Model::Load(path, *geometry, progress);
    } catch (const pw2_ModelFileError& e) {
        reason = e.reason;
        line = e.line;
        outcome = State::Failed;
    } catch (const pw2_Cancelled&) {
        outcome = State::Cancelled;
    } catch (const std::exception& e) {
        // nothing may leave the thread: the editor and its unsaved work stay
        reason = e.what();
        outcome = State::Failed;
    }
    state.store(outcome, std::memory_order_release);
}
