#include "modelfile.h"

#include "assimpimport.h"
#include "objreader.h"
#include "objwriter.h"
#include "offreader.h"
#include "offwriter.h"
#include "plyreader.h"
#include "plywriter.h"
#include "qzexceptions.h"
#include "qzfile.h"
#include "qzfilesystem.h"
#include "stlreader.h"
#include "stlwriter.h"

#include <algorithm>
#include <cerrno>
#include <new>
#include <string_view>

const char PW2_OPEN_FILTER[] =
    "Models\0*.obj;*.ply;*.stl;*.off;*.gltf;*.glb;*.fbx;*.dae;*.3ds;*.lwo;*.x;*.ac;*.blend;*.3mf;*.ase;*."
    "ms3d;"
    "*.md2;*.md3;*.md5mesh;*.x3d;*.ifc;*.dxf;*.b3d;*.nff;*.smd;*.ogex;*.irrmesh;*.cob;*.amf\0"
    "Wavefront OBJ (*.obj)\0*.obj\0PLY (*.ply)\0*.ply\0STL (*.stl)\0*.stl\0OFF (*.off)\0*.off\0"
    "glTF 2.0 (*.gltf, *.glb)\0*.gltf;*.glb\0All files\0*\0";
const char PW2_SAVE_FILTER[] =
    "PLY (*.ply)\0*.ply\0Wavefront OBJ (*.obj)\0*.obj\0STL (*.stl)\0*.stl\0OFF (*.off)\0*.off\0";

namespace {

// A block size that keeps reads large but within the file calls' 32-bit counts.
constexpr uint32_t BLOCK = 16u << 20;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return text;
}

std::string ReadBytes(const std::string& path, pw2_Progress& progress) {
    qzFile file;
    std::string bytes;
    try {
        file.Open(path.c_str(), true, false, true, false, OPEN_EXISTING);
        uint64_t size = file.GetSize();
        if (size > bytes.max_size())
            throw pw2_ModelFileError("the file is too large to load");
        bytes.resize(size_t(size));
        uint64_t done = 0;
        while (done < size) {
            progress.Report(done, size);
            uint32_t n = file.Read(bytes.data() + done, uint32_t(std::min<uint64_t>(BLOCK, size - done)));
            // a file that shrinks while it is read ends where it ends
            if (n == 0)
                break;
            done += n;
        }
        bytes.resize(size_t(done));
    } catch (const qzIOException& e) {
        throw pw2_ModelFileError("the file cannot be read: " + pw2_SystemReason(e.error));
    } catch (const std::bad_alloc&) {
        throw pw2_ModelFileError("there is not enough memory to load the file");
    }
    return bytes;
}

// A new file that no one else writes: another save of the same target at the same time takes the next name.
// The name is set only once the file exists, so that a failure never deletes a file that is not ours.
void OpenTemporary(const std::string& path, qzFile& file, std::string& temporary) {
    for (int attempt = 0;; ++attempt) {
        std::string name = path + ".saving" + (attempt == 0 ? "" : std::to_string(attempt));
        try {
            file.Open(name.c_str(), false, true, false, false, CREATE_NEW);
            temporary = name;
            return;
        } catch (const qzIOException& e) {
            if (e.error != EEXIST || attempt == 99)
                throw;
        }
    }
}

std::string Encode(pw2_ModelFormat format, const pw2_MeshData& mesh) {
    std::string out;
    switch (format) {
    case pw2_ModelFormat::Obj:
        pw2_WriteObj(mesh, out);
        break;
    case pw2_ModelFormat::Ply:
        pw2_WritePly(mesh, pw2_PlyEncoding::BinaryLittleEndian, out);
        break;
    case pw2_ModelFormat::Stl:
        pw2_WriteStl(mesh, true, out);
        break;
    case pw2_ModelFormat::Off:
        pw2_WriteOff(mesh, out);
        break;
    case pw2_ModelFormat::Import:
        throw pw2_ModelFileError("this format can be opened but not saved; save as OBJ, PLY, STL or OFF");
    }
    return out;
}

} // namespace

std::string pw2_GetExtension(const std::string& path) {
    size_t dot = path.find_last_of("./\\");
    return dot != std::string::npos && path[dot] == '.' ? Lower(path.substr(dot + 1)) : "";
}

pw2_ModelFormat pw2_GetModelFormat(const std::string& path) {
    const std::string extension = pw2_GetExtension(path);
    if (extension == "obj")
        return pw2_ModelFormat::Obj;
    if (extension == "ply")
        return pw2_ModelFormat::Ply;
    if (extension == "stl")
        return pw2_ModelFormat::Stl;
    if (extension == "off")
        return pw2_ModelFormat::Off;
    return pw2_ModelFormat::Import;
}

bool pw2_IsWritable(pw2_ModelFormat format) {
    return format != pw2_ModelFormat::Import;
}

pw2_MeshData pw2_ReadModelFile(const std::string& path, pw2_Progress& progress, double end) {
    pw2_ModelFormat format = pw2_GetModelFormat(path);
    if (format == pw2_ModelFormat::Import) {
        progress.SetStage(0, end);
        return pw2_ImportInChildProcess(qzGetExecutablePath().c_str(), path, progress);
    }
    progress.SetStage(0, end * 0.25);
    std::string bytes = ReadBytes(path, progress);
    progress.SetStage(end * 0.25, end);
    std::string_view data(bytes);
    try {
        switch (format) {
        case pw2_ModelFormat::Obj:
            return pw2_ReadObj(data, progress);
        case pw2_ModelFormat::Ply:
            return pw2_ReadPly(data, progress);
        case pw2_ModelFormat::Stl:
            return pw2_ReadStl(data, progress);
        case pw2_ModelFormat::Off:
        default:
            return pw2_ReadOff(data, progress);
        }
    } catch (const std::bad_alloc&) {
        throw pw2_ModelFileError("there is not enough memory to load the file");
    }
}

void pw2_WriteModelFile(const std::string& path, const pw2_MeshData& mesh) {
    std::string bytes;
    try {
        bytes = Encode(pw2_GetModelFormat(path), mesh);
    } catch (const std::bad_alloc&) {
        throw pw2_ModelFileError("there is not enough memory to save the model");
    }
    // beside the target, so that the rename stays on one file system and is atomic
    std::string temporary;
    qzFile file;
    try {
        OpenTemporary(path, file, temporary);
        for (size_t done = 0; done < bytes.size();) {
            uint32_t n = uint32_t(std::min<size_t>(BLOCK, bytes.size() - done));
            file.Write(bytes.data() + done, n);
            done += n;
        }
        file.Flush();
        file.Close();
    } catch (const qzIOException& e) {
        int error = e.error;
        file.Close();
        if (!temporary.empty())
            qzDeleteFile(temporary.c_str());
        throw pw2_ModelFileError("the file cannot be written: " + pw2_SystemReason(error));
    }
    if (!qzMoveFile(temporary.c_str(), path.c_str(), true)) {
        int error = errno;
        qzDeleteFile(temporary.c_str());
        throw pw2_ModelFileError("the file cannot be replaced: " + pw2_SystemReason(error));
    }
}
