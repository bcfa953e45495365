#include "pw2_filecommands.h"

#include "meshdata.h"
#include "modelfile.h"
#include "pw2_editor.h"
#include "pw2_graphicscontroller.h"
#include "pw2_main.h"
#include "pw2_model.h"
#include "pw2_modelgeometry.h"
#include "pw2_modelloader.h"
#include "pw2_recovery.h"
#include "pw2_view.h"
#include "qzdebugoutput.h"
#include "qzdialogs.h"
#include "qzfilesystem.h"
#include "qzmain.h"
#include "qztime.h"

#include <string>
#include <utility>
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

bool pw2_FileCommands::SaveModel() {
    const std::string& path = main->GetModel()->path;
    if (path.empty() || !pw2_IsWritable(pw2_GetModelFormat(path)))
        return SaveModelAs();
    return SaveTo(path);
}

bool pw2_FileCommands::SaveModelAs() {
    std::string folder = qzGetDirectoryPart(main->GetModel()->path.c_str()).c_str();
    std::vector<std::string> files;
    return qzGetSaveFileName(&main->GetMainWindow(), folder.empty() ? nullptr : folder.c_str(),
                             PW2_SAVE_FILTER, "ply", false, false, files) &&
           SaveTo(files.front());
}

bool pw2_FileCommands::SaveTo(const std::string& path) {
    try {
        main->GetModel()->Save(path);
        UpdateTitle();
        return true;
    } catch (const pw2_ModelFileError& e) {
        ShowFailure("Failed to save", FailureText(path, e.reason, e.line));
        return false;
    }
}

void pw2_FileCommands::OpenFile(const std::string& path, bool fallbackonfailure) {
    if (AskToSaveChanges())
        StartLoad(path, fallbackonfailure, false);
}

bool pw2_FileCommands::AskToSaveChanges() {
    if (!main->GetModel()->history.IsModified())
        return true;
    const std::string text = "Save the changes to " + GetModelName() + "?";
    switch (qzShowMessageBox(&main->GetMainWindow(), "Unsaved changes", text.c_str(), MB_ICONQUESTION,
                             MB_YESNOCANCEL)) {
    case IDYES:
        return SaveModel();
    case IDNO:
        return true;
    default:
        return false;
    }
}

void pw2_FileCommands::Start(const std::string& file) {
    leftcopy = main->GetRecovery()->FindLeftCopy();
    if (leftcopy.empty() && !file.empty())
        OpenFile(file, true);
    else
        startfile = file;
}

bool pw2_FileCommands::OfferRecoveryCopy() {
    const std::string copy = std::exchange(leftcopy, std::string());
    qzOutputDebugString(("[pw2_FileCommands] Found the recovery copy \"" + copy + "\".\n").c_str());
    const int answer = qzShowMessageBox(&main->GetMainWindow(), "Recovered changes",
                                        "Facetwright v6 ended without saving changes and kept a copy of "
                                        "them. Open the copy?",
                                        MB_ICONQUESTION, MB_YESNO);
    if (answer == IDYES) {
        StartLoad(copy, true, true);
        return true;
    }
    // a box closed without an answer keeps the copy for the next start
    if (answer == IDNO)
        qzDeleteFile(copy.c_str());
    return false;
}

void pw2_FileCommands::StartLoad(const std::string& path, bool fallbackonfailure, bool recovered) {
    CancelLoad();
    pw2_ModelGeometry* geometry = main->GetModel()->CreateGeometry();
    loader = std::make_unique<pw2_ModelLoader>(path, geometry);
    loadstart = Now();
    fallback = fallbackonfailure;
    recovering = recovered;
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
    if (!leftcopy.empty() && FrameDrawnSince(0)) {
        // the start file waits for the answer: a copy taken takes its place
        if (!OfferRecoveryCopy() && !startfile.empty())
            OpenFile(startfile, true);
        startfile.clear();
    }
    if (!failure.empty() && FrameDrawnSince(failureframe))
        ShowFailure("Failed to load", std::exchange(failure, std::string()));
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
        main->GetEditor()->Forget();
        model->Replace(geometry, recovering ? std::string() : ended->GetPath());
        if (recovering) {
            // the copy stays until one of this process holds the changes
            model->history.MarkUnsaved();
            main->GetRecovery()->Adopt(ended->GetPath());
        }
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
    if (ended->GetState() == pw2_ModelLoader::State::Failed) {
        failure = FailureText(ended->GetPath(), ended->GetReason(), ended->GetLine());
        failureframe = main->GetGraphicsController()->GetDrawnFrames();
        main->RequestRedraw();
    }
}

std::string pw2_FileCommands::FailureText(const std::string& path, const std::string& reason, uint64_t line) {
    std::string text = pw2_FileName(path);
    if (line != 0)
        text += ", line " + std::to_string(line);
    return text + ": " + reason;
}

void pw2_FileCommands::ShowFailure(const char* caption, const std::string& text) {
    qzShowMessageBox(&main->GetMainWindow(), caption, text.c_str(), MB_ICONERROR, MB_OK);
}

bool pw2_FileCommands::FrameDrawnSince(uint64_t frames) const {
    return main->GetGraphicsController()->GetDrawnFrames() > frames ||
           main->GetEngineRoot()->GetDirect3D() == nullptr;
}

std::string pw2_FileCommands::GetModelName() const {
    const std::string& path = main->GetModel()->path;
    return path.empty() ? "Untitled" : pw2_FileName(path);
}

void pw2_FileCommands::UpdateTitle() {
    const pw2_Model* model = main->GetModel();
    const bool modified = model->history.IsModified();
    // the program's name alone until there is a file or a change to name
    std::string next = PW2_TITLE;
    if (modified || !model->path.empty())
        next = GetModelName() + (modified ? "* - " : " - ") + PW2_TITLE;
    if (next == title)
        return;
    title = next;
    main->GetMainWindow().SetTitle(title.c_str());
}

void pw2_FileCommands::FrameViews() {
    qzVector3 low, high;
    if (!main->GetModel()->GetBounds(low, high))
        return;
    main->GetLeftView()->Frame(low, high);
    main->GetRightView()->Frame(low, high);
}
