// The import through assimp: the child's side (the library loaded at run time, the scene flattened, the
// answer written) and the editor's (the child run, its end and its answer read).
#include "assimpimport.h"

#include "assimpscene.h"
#include "modelfile.h"
#include "plyreader.h"
#include "plywriter.h"
#include "qzexceptions.h"
#include "qzlibrary.h"
#include "qzprocess.h"
#include "weld.h"

#include <assimp/cimport.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr uint64_t PW2_IMPORT_GROWTH = 64;
constexpr uint64_t PW2_IMPORT_ALLOWANCE = 64ull << 20;
// The most of a child's reason that is passed on: a reason is a sentence, not a file.
constexpr size_t PW2_IMPORT_REASON_LENGTH = 2000;

// The three calls of assimp's C interface this program makes, resolved by name at run time: the editor's
// own start-up never pays for the library.
struct AssimpLibrary {
    qzLibrary library;
    decltype(&aiImportFile) importfile = nullptr;
    decltype(&aiReleaseImport) releaseimport = nullptr;
    decltype(&aiGetErrorString) geterrorstring = nullptr;

    AssimpLibrary() {
        if (!library.Load(PW2_ASSIMP_LIBRARY))
            throw pw2_ImportLibraryMissing(std::string("the import library ") + PW2_ASSIMP_LIBRARY +
                                           " is not installed (" + library.GetError() + ")");
        importfile = Resolve<decltype(importfile)>("aiImportFile");
        releaseimport = Resolve<decltype(releaseimport)>("aiReleaseImport");
        geterrorstring = Resolve<decltype(geterrorstring)>("aiGetErrorString");
    }
    template <class Function> Function Resolve(const char* name) {
        Function function = library.GetFunction<Function>(name);
        if (function == nullptr)
            throw pw2_ImportLibraryMissing(std::string("the import library ") + PW2_ASSIMP_LIBRARY +
                                           " lacks " + name + " (" + library.GetError() + ")");
        return function;
    }
};

// The merged mesh before the weld: binary PLY keeps point colours but not the corner colours that the
// weld makes of them, so the child hands the points over as assimp split them.
pw2_MeshData ImportUnwelded(const std::string& path, uint64_t maxbytes) {
    AssimpLibrary assimp;
    // Polygons stay whole; the validation turns a scene with dangling references into an error.
    const aiScene* scene = assimp.importfile(path.c_str(), aiProcess_ValidateDataStructure);
    if (scene == nullptr) {
        const char* reason = assimp.geterrorstring();
        throw pw2_ModelFileError(std::string("assimp cannot read this file: ") +
                                 (reason != nullptr && *reason != 0 ? reason : "it gives no reason"));
    }
    struct Release {
        AssimpLibrary& assimp;
        const aiScene* scene;
        ~Release() { assimp.releaseimport(scene); }
    } release{assimp, scene};
    if (scene->mRootNode == nullptr || scene->mNumMeshes == 0 || scene->mMeshes == nullptr)
        throw pw2_ModelFileError("assimp finds no mesh in this file");
    std::vector<pw2_AssimpInstance> instances =
        pw2_CollectAssimpInstances(*scene->mRootNode, scene->mMeshes, scene->mNumMeshes);
    return pw2_MergeAssimpMeshes(instances, maxbytes);
}

bool WriteAll(int fd, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        ssize_t count = ::write(fd, data.data() + done, data.size() - done);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        done += static_cast<size_t>(count);
    }
    return true;
}

// The child's reason, as a sentence: at most PW2_IMPORT_REASON_LENGTH bytes, trailing line ends dropped.
std::string Reason(std::string text) {
    if (text.size() > PW2_IMPORT_REASON_LENGTH)
        text.resize(PW2_IMPORT_REASON_LENGTH);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.pop_back();
    return text.empty() ? "the importer failed without saying why" : text;
}

std::string SignalName(int signal) {
#ifdef __GLIBC__
    if (const char* description = ::sigdescr_np(signal))
        return std::to_string(signal) + ", " + description;
#endif
    return std::to_string(signal);
}

} // namespace

uint64_t pw2_ImportOutputLimit(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    uint64_t size = fs::file_size(path, error);
    if (error)
        throw pw2_ModelFileError("the file cannot be read: " + pw2_SystemReason(error.value()));
    // A .gltf file is the description; the points are in the buffers it names, usually beside it.
    if (pw2_GetExtension(path) == "gltf") {
        fs::path directory = fs::path(path).parent_path();
        fs::directory_iterator entry(directory.empty() ? fs::path(".") : directory, error);
        for (; !error && entry != fs::directory_iterator(); entry.increment(error)) {
            std::error_code unreadable;
            uint64_t bytes = entry->is_regular_file(unreadable) ? entry->file_size(unreadable) : 0;
            if (!unreadable && pw2_GetExtension(entry->path().string()) == "bin")
                size += bytes;
        }
    }
    constexpr uint64_t MAXIMUM = std::numeric_limits<uint64_t>::max();
    if (size > (MAXIMUM - PW2_IMPORT_ALLOWANCE) / PW2_IMPORT_GROWTH)
        return MAXIMUM;
    return size * PW2_IMPORT_GROWTH + PW2_IMPORT_ALLOWANCE;
}

int pw2_RunImportChild(const char* path) {
    // The standard output carries the answer and nothing else: the answer goes out through a copy of it,
    // and whatever the library prints lands on the standard error.
    int answerfd = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    if (answerfd < 0)
        return PW2_IMPORT_EXIT_FAILED;
    if (::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
        int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (null >= 0)
            ::dup2(null, STDOUT_FILENO);
    }
    // A crash on a broken file is expected and reported by the editor; a core file would only fill the disk.
    rlimit nocore{0, 0};
    ::setrlimit(RLIMIT_CORE, &nocore);

    std::string answer;
    int code = 0;
    try {
        pw2_MeshData mesh = ImportUnwelded(path, pw2_ImportOutputLimit(path));
        pw2_WritePly(mesh, pw2_PlyEncoding::BinaryLittleEndian, answer);
    } catch (const pw2_ImportLibraryMissing& error) {
        answer = error.reason;
        code = PW2_IMPORT_EXIT_NOLIBRARY;
    } catch (const pw2_ModelFileError& error) {
        answer = error.what();
        code = PW2_IMPORT_EXIT_FAILED;
    } catch (const std::bad_alloc&) {
        answer = "there is not enough memory to import this file";
        code = PW2_IMPORT_EXIT_FAILED;
    } catch (const std::exception& error) {
        answer = std::string("the import failed: ") + error.what();
        code = PW2_IMPORT_EXIT_FAILED;
    }
    bool written = WriteAll(answerfd, answer);
    ::close(answerfd);
    return written ? code : PW2_IMPORT_EXIT_FAILED;
}

pw2_MeshData pw2_ImportInChildProcess(const std::string& executable, const std::string& path,
                                      pw2_Progress& progress) {
    uint64_t limit = pw2_ImportOutputLimit(path);
    progress.Report(0, 1);
    qzProcessResult result;
    try {
        result = qzProcess::Run(executable.c_str(), {"--import-child", path},
                                static_cast<size_t>(std::min<uint64_t>(limit, SIZE_MAX)),
                                qzCallback<bool()>::Bind<&pw2_Progress::IsCancelled>(&progress));
    } catch (const qzWindowsException& error) {
        throw pw2_ModelFileError("the importer cannot be started: " +
                                 pw2_SystemReason(static_cast<int>(error.error)));
    }
    switch (result.end) {
    case qzProcessEnd::Cancelled:
        throw pw2_Cancelled();
    case qzProcessEnd::OutputTooLong:
        throw pw2_ModelFileError("the import of this file grew beyond " + std::to_string(limit >> 20) +
                                 " MB, far more than a file of this size can describe; it is refused");
    case qzProcessEnd::Signalled:
        if (result.signal == SIGKILL)
            throw pw2_ModelFileError("the importer was killed (signal " + SignalName(result.signal) +
                                     "), most likely for want of memory");
        throw pw2_ModelFileError("the importer crashed on this file (signal " + SignalName(result.signal) +
                                 ")");
    case qzProcessEnd::Exited:
        break;
    }
    if (result.exitcode == PW2_IMPORT_EXIT_NOLIBRARY)
        throw pw2_ImportLibraryMissing(Reason(std::move(result.output)));
    if (result.exitcode == PW2_IMPORT_EXIT_FAILED)
        throw pw2_ModelFileError(Reason(std::move(result.output)));
    if (result.exitcode != 0)
        throw pw2_ModelFileError("the importer ended unexpectedly (exit code " +
                                 std::to_string(result.exitcode) + ")");
    pw2_MeshData mesh;
    try {
        mesh = pw2_ReadPly(result.output, progress);
    } catch (const pw2_ModelFileError& error) {
        throw pw2_ModelFileError(std::string("the importer's answer cannot be read: ") + error.what());
    }
    pw2_WeldByPosition(mesh);
    progress.Report(1, 1);
    return mesh;
}
