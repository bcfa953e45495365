// What the tests of the model-file readers and writers share: random meshes of awkward numbers, the part of a
// mesh that a format keeps, a bit-for-bit comparison, and the checks of round trips, of a table of faults and
// of a cancelled read.
#pragma once

#include "meshdata.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cfloat>
#include <cmath>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace meshdata_testing {

// Zeros of both signs, a fraction binary cannot hold, large and small powers, the smallest normal and
// subnormal numbers and the largest, or any finite bit pattern; only values a float holds, when asked.
inline double AwkwardNumber(std::mt19937& random, bool floats) {
    static const double specials[] = {0.0,    -0.0,    0.1,     -1e22,   1e22,    1.0 / 3,      1e-300,
                                      5e-324, DBL_MIN, DBL_MAX, FLT_MIN, FLT_MAX, FLT_TRUE_MIN, 0.5f};
    for (;;) {
        double value = random() % 3 == 0 ? specials[random() % std::size(specials)]
                       : floats          ? std::bit_cast<float>(uint32_t(random()))
                                         : std::bit_cast<double>(uint64_t(random()) << 32 | random());
        if (std::isfinite(value) && (!floats || double(float(value)) == value))
            return value;
    }
}

// Points of which some share a position; faces of 0 to 8 corners that may repeat points, now and then one of
// more than 255; polylines; colours on points, faces and corners, each now and then.
inline pw2_MeshData RandomMesh(std::mt19937& random, bool floats = false) {
    auto color = [&] {
        return qzColor(uint8_t(random()), uint8_t(random()), uint8_t(random()),
                       random() % 4 == 0 ? uint8_t(random()) : 255);
    };
    pw2_MeshData mesh;
    uint32_t n = random() % 30;
    for (uint32_t i = 0; i < n; ++i)
        if (i > 0 && random() % 4 == 0)
            mesh.positions.push_back(mesh.positions[random() % i]);
        else
            mesh.positions.emplace_back(AwkwardNumber(random, floats), AwkwardNumber(random, floats),
                                        AwkwardNumber(random, floats));
    for (uint32_t f = n == 0 ? 0 : random() % 12; f > 0; --f) {
        std::vector<uint32_t> face(random() % 20 == 0 ? 256 + random() % 40 : random() % 9);
        for (uint32_t& corner : face)
            corner = random() % n;
        mesh.AddFace(face.data(), uint32_t(face.size()));
    }
    for (uint32_t l = n == 0 ? 0 : random() % 4; l > 0; --l) {
        mesh.lines.push_back(random() % n);
        mesh.lines.push_back(random() % n);
    }
    if (random() % 2)
        for (uint32_t i = 0; i < n; ++i)
            mesh.pointcolors.push_back(color());
    if (random() % 2)
        for (uint32_t f = 0; f < mesh.FaceCount(); ++f)
            mesh.facecolors.push_back(color());
    if (random() % 4 == 0)
        for (size_t c = 0; c < mesh.corners.size(); ++c)
            mesh.cornercolors.push_back(color());
    return mesh;
}

inline pw2_MeshData MeshOf(std::vector<qzVector3> positions, const std::vector<std::vector<uint32_t>>& faces,
                           std::vector<uint32_t> lines = {}, std::vector<qzColor> pointcolors = {},
                           std::vector<qzColor> facecolors = {}) {
    pw2_MeshData mesh;
    mesh.positions = std::move(positions);
    for (const std::vector<uint32_t>& face : faces)
        mesh.AddFace(face.data(), uint32_t(face.size()));
    mesh.lines = std::move(lines);
    mesh.pointcolors = std::move(pointcolors);
    mesh.facecolors = std::move(facecolors);
    return mesh;
}

// What a format keeps of a mesh; no format keeps corner colours.
struct Kept {
    bool lines;
    bool pointcolors;
    bool facecolors;
    bool alpha;
};

inline pw2_MeshData KeptPart(pw2_MeshData mesh, Kept kept) {
    if (!kept.lines)
        mesh.lines.clear();
    if (!kept.pointcolors)
        mesh.pointcolors.clear();
    if (!kept.facecolors)
        mesh.facecolors.clear();
    mesh.cornercolors.clear();
    for (std::vector<qzColor>* colors : {&mesh.pointcolors, &mesh.facecolors})
        for (qzColor& c : *colors)
            c.a = kept.alpha ? c.a : 255;
    return mesh;
}

// Bit for bit, so that -0.0 and 0.0 differ.
inline std::vector<std::array<uint64_t, 3>> Bits(const std::vector<qzVector3>& positions) {
    std::vector<std::array<uint64_t, 3>> bits;
    for (const qzVector3& p : positions)
        bits.push_back(
            {std::bit_cast<uint64_t>(p.x), std::bit_cast<uint64_t>(p.y), std::bit_cast<uint64_t>(p.z)});
    return bits;
}

inline std::vector<uint32_t> Argb(const std::vector<qzColor>& colors) {
    std::vector<uint32_t> argb;
    for (const qzColor& c : colors)
        argb.push_back(c.GetARGB());
    return argb;
}

inline void ExpectSameMesh(const pw2_MeshData& expected, const pw2_MeshData& actual) {
    EXPECT_EQ(Bits(expected.positions), Bits(actual.positions));
    EXPECT_EQ(expected.corners, actual.corners);
    EXPECT_EQ(expected.facestarts, actual.facestarts);
    EXPECT_EQ(expected.lines, actual.lines);
    EXPECT_EQ(Argb(expected.pointcolors), Argb(actual.pointcolors));
    EXPECT_EQ(Argb(expected.facecolors), Argb(actual.facecolors));
    EXPECT_EQ(Argb(expected.cornercolors), Argb(actual.cornercolors));
}

// Random meshes that write appends to a file come back from read(file) as the part the format keeps.
template <typename Write, typename Read>
void ExpectRoundTrips(uint32_t seed, Kept kept, Write&& write, Read&& read) {
    std::mt19937 random(seed);
    for (int round = 0; round < 300; ++round) {
        pw2_MeshData mesh = RandomMesh(random);
        std::string file = "kept";
        write(mesh, file);
        ASSERT_EQ(file.substr(0, 4), "kept");
        SCOPED_TRACE("mesh " + std::to_string(round));
        ExpectSameMesh(KeptPart(mesh, kept), read(std::string_view(file).substr(4)));
    }
}

// "line 3: the reason" of the fault, or "read".
template <typename Read> std::string Outcome(Read&& read, std::string_view file) {
    try {
        read(file);
        return "read";
    } catch (const pw2_ModelFileError& e) {
        return "line " + std::to_string(e.line) + ": " + e.reason;
    }
}

struct Fault {
    std::string file;
    uint64_t line;
    std::string reason;
};

template <typename Read> void ExpectFaults(const std::vector<Fault>& faults, Read&& read) {
    for (const Fault& fault : faults)
        EXPECT_EQ("line " + std::to_string(fault.line) + ": " + fault.reason, Outcome(read, fault.file))
            << fault.file.substr(0, 300);
}

// A mesh of some megabytes in every format: a strip of 60000 triangles.
inline pw2_MeshData LargeMesh() {
    pw2_MeshData mesh;
    for (uint32_t i = 0; i < 60000; ++i) {
        mesh.positions.emplace_back(0.1 * i, 0.2 * (i % 2), 0.3 * i);
        const uint32_t triangle[] = {i, (i + 1) % 60000, (i + 2) % 60000};
        mesh.AddFace(triangle, 3);
    }
    return mesh;
}

// read(file, progress) of a large file reports its progress up to the end, and one cancelled stops.
template <typename Read> void ExpectCancelStops(const std::string& file, Read&& read) {
    pw2_Progress progress;
    read(file, progress);
    EXPECT_EQ(progress.GetFraction(), 1.0);
    progress.Cancel();
    EXPECT_THROW(read(file, progress), pw2_Cancelled);
}

} // namespace meshdata_testing
