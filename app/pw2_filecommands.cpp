#include "pw2_filecommands.h"

#include "meshdata.h"
#include "modelfile.h"
#include "pw2_main.h"
#include "pw2_model.h"
#include "pw2_modelgeometry.h"
#include "pw2_modelloader.h"
#include "pw2_view.h"
#include "qzdialogs.h"
#include "qzfilesystem.h"
#include "qztime.h"

#include <vector>

std::string pw2_FileName(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

pw2_FileCommands::pw2_FileCommands(pw2_Main* main, uint32_t (*clock)()) : main(main), clock(clock) {}

pw2_FileCommands::~pw2_FileCommands() {
    CancelLoad();
}

uint32_t pw2_FileCommands::Now() const {
    return clock != nullptr ? clock() : GetTime();
}

void pw2_FileCommands::Open() {
    std::string folder = qzGetDirectoryPart(main->GetModel()->path.c_str()).c_str();
    std::vector<std::string> files;
    if (qzGetOpenFileName(&main->GetMainWindow(), folder.empty() ? nullptr : folder.c_str(), PW2_OPEN_FILTER,
                          nullptr, false, false, files))
        OpenFile(files.front());
}

void pw2_FileCommands::Save() {
    const std::string& path = main->GetModel()->path;
    if (path.empty() || !pw2_IsWritable(pw2_GetModelFormat(path)))
        SaveAs();
    else
        SaveTo(path);
}

void pw2_FileCommands::SaveAs() {
    std::string folder = qzGetDirectoryPart(main->GetModel()->path.c_str()).c_str();
    std::vector<std::string> files;
    if (qzGetSaveFileName(&main->GetMainWindow(), folder.empty() ? nullptr : folder.c_str(), PW2_SAVE_FILTER,
                          "ply", false, false, files))
        SaveTo(files.front());
}

void pw2_FileCommands::SaveTo(const std::string& path) {
    try {
        main->GetModel()->Save(path);
        UpdateTitle();
    } catch (const pw2_ModelFileError& e) {
        ShowFailure("Failed to save", path, e.reason, e.line);
    }
}

void pw2_FileCommands::OpenFile(const std::string& path, bool fallbackonfailure) {
    CancelLoad();
    pw2_ModelGeometry* geometry = main->GetModel()->CreateGeometry();
    loader = std::make_unique<pw2_ModelLoader>(path, geometry);
    loadstart = Now();
    fallback = fallbackonfailure;
    shownpermille = -1;
}

void pw2_FileCommands::CancelLoad() {
    if (loader == nullptr)
        return;
    loader->Cancel();
    loader->Wait();
    Finish();
}

bool pw2_FileCommands::IsProgressShown() const {
    return loader != nullptr && Now() - loadstart >= PROGRESSDELAY;
}

double pw2_FileCommands::GetProgress() const {
    return loader != nullptr ? loader->GetFraction() : 0;
}

std::string pw2_FileCommands::GetLoadingName() const {
    return loader != nullptr ? pw2_FileName(loader->GetPath()) : std::string();
}

void pw2_FileCommands::Update() {
    if (loader == nullptr)
        return;
    if (loader->GetState() != pw2_ModelLoader::State::Running) {
        loader->Wait();
        Finish();
        return;
    }
    if (IsProgressShown()) {
        int32_t permille = int32_t(GetProgress() * 1000);
        if (permille != shownpermille) {
            shownpermille = permille;
            main->RequestRedraw();
        }
    }
}

void pw2_FileCommands::Finish() {
    std::unique_ptr<pw2_ModelLoader> ended = std::move(loader);
    pw2_Model* model = main->GetModel();
    pw2_ModelGeometry* geometry = ended->GetGeometry();
    const bool shown = shownpermille >= 0;
    if (ended->GetState() == pw2_ModelLoader::State::Loaded) {
        model->Replace(geometry, ended->GetPath());
        UpdateTitle();
        FrameViews();
        main->RequestRedraw();
        return;
    }
    delete geometry;
    const bool samplescene = fallback && model->currentgeometry->pointcount == 0;
    if (samplescene)
        model->BuildSampleScene();
    // the progress box goes, or the sample scene comes
    if (shown || samplescene)
        main->RequestRedraw();
    if (ended->GetState() == pw2_ModelLoader::State::Failed)
        ShowFailure("Failed to load", ended->GetPath(), ended->GetReason(), ended->GetLine());
}

void pw2_FileCommands::ShowFailure(const char* caption, const std::string& path, const std::string& reason,
                                   uint64_t line) {
    std::string text = pw2_FileName(path);
    if (line != 0)
        text += ", line " + std::to_string(line);
    text += ": " + reason;
    qzShowMessageBox(&main->GetMainWindow(), caption, text.c_str(), MB_ICONERROR, MB_OK);
}

void pw2_FileCommands::UpdateTitle() {
    std::string title = pw2_FileName(main->GetModel()->path) + " - Facetwright v6";
    main->GetMainWindow().SetTitle(title.c_str());
}

void pw2_FileCommands::FrameViews() {
    qzVector3 low, high;
    if (!main->GetModel()->GetBounds(low, high))
        return;
    main->GetLeftView()->Frame(low, high);
    main->GetRightView()->Frame(low, high);
}
