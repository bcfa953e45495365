// The floor of drawing a large model: a Qt window of one view's size (398 x 398) that draws the torus of
// bench_modelfiles (1000 x 1000 quads, R = 3, r = 1) as the program draws it, from one static buffer with one
// shader: each quad a fan of four triangles around its centre, corners in file order, every vertex with the
// face normal and a colour, back faces culled. "Solid" draws the faces; "Schematic" draws them blended, then
// every edge twice as lines (without depth test and translucent, then with it) and every point twice as
// 3 x 3 pixel points (the same two passes). The camera turns a little every frame. Each frame ends with
// glFinish and the swap; prints the median milliseconds per frame of each mode.
// Usage: floor_view [FRAMES]   (50 by default)
#include <QGuiApplication>
#include <QOpenGLContext>
#include <QOpenGLFunctions_3_3_Core>
#include <QOpenGLVersionFunctionsFactory>
#include <QWindow>

#include "torus.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <utility>
#include <vector>

namespace {

constexpr int SIZE = 398;
constexpr uint32_t N = 1000;

struct FloorVertex {
    float position[3];
    float normal[3];
    uint8_t color[4];
};

const char* const VERTEX_SHADER = R"(#version 330 core
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
layout(location = 2) in vec4 color;
uniform mat4 transform;
uniform float depthoffset;
uniform vec4 tint;
out vec4 shade;
void main() {
    gl_Position = transform * vec4(position, 1.0);
    // lines and points lying on a face win its depth test
    gl_Position.z -= depthoffset * gl_Position.w;
    gl_PointSize = 3.0;
    // ambient 0.7 and two opposite lights of 0.3: a face lit from either side looks the same
    float light = normal == vec3(0.0) ? 1.0 : min(1.0, 0.7 + 0.3 * abs(dot(normal, normalize(vec3(1, 2, 4)))));
    shade = vec4(color.rgb * light, color.a) * tint;
}
)";

const char* const FRAGMENT_SHADER = R"(#version 330 core
in vec4 shade;
out vec4 result;
void main() {
    result = shade;
}
)";

struct Vector {
    float x, y, z;
};

FloorVertex Vertex(const Vector& p, const Vector& n, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    return {{p.x, p.y, p.z}, {n.x, n.y, n.z}, {r, g, b, a}};
}

// The faces' fans, then the edges' line ends, then the points: counts of each returned through the refs.
std::vector<FloorVertex> TorusVertices(size_t& facevertices, size_t& edgevertices, size_t& pointvertices) {
    std::vector<Vector> points;
    points.reserve(N * N);
    const TorusGrid torus{N, N};
    for (uint32_t i = 0; i < N; ++i)
        for (uint32_t j = 0; j < N; ++j) {
            const std::array<double, 3> p = torus.Point(i, j);
            points.push_back({static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2])});
        }
    std::vector<FloorVertex> vertices;
    vertices.reserve(N * N * (12 + 4 + 1));
    const Vector none{0, 0, 0};
    for (uint32_t i = 0; i < N; ++i)
        for (uint32_t j = 0; j < N; ++j) {
            const std::array<uint32_t, 4> q = torus.Quad(i, j);
            const Vector corners[4] = {points[q[0]], points[q[1]], points[q[2]], points[q[3]]};
            // Newell's normal and the mean of the corners
            Vector n{0, 0, 0}, centre{0, 0, 0};
            for (int k = 0; k < 4; ++k) {
                const Vector &p = corners[k], &q = corners[(k + 1) % 4];
                n.x += (p.y - q.y) * (p.z + q.z);
                n.y += (p.z - q.z) * (p.x + q.x);
                n.z += (p.x - q.x) * (p.y + q.y);
                centre = {centre.x + p.x / 4, centre.y + p.y / 4, centre.z + p.z / 4};
            }
            const float length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
            n = {n.x / length, n.y / length, n.z / length};
            for (int k = 0; k < 4; ++k) {
                vertices.push_back(Vertex(centre, n, 120, 160, 220, 255));
                vertices.push_back(Vertex(corners[k], n, 120, 160, 220, 255));
                vertices.push_back(Vertex(corners[(k + 1) % 4], n, 120, 160, 220, 255));
            }
        }
    facevertices = vertices.size();
    // every edge once: from each point along both directions of the grid
    for (uint32_t i = 0; i < N; ++i)
        for (uint32_t j = 0; j < N; ++j) {
            const std::array<uint32_t, 4> q = torus.Quad(i, j);
            for (uint32_t other : {q[3], q[1]}) {
                vertices.push_back(Vertex(points[q[0]], none, 0, 0, 0, 255));
                vertices.push_back(Vertex(points[other], none, 0, 0, 0, 255));
            }
        }
    edgevertices = vertices.size() - facevertices;
    for (const Vector& p : points)
        vertices.push_back(Vertex(p, none, 0, 0, 0, 255));
    pointvertices = points.size();
    return vertices;
}

// Column-major: a perspective of 45 degrees looking at the origin from distance 12, 30 degrees above the
// torus's plane, turned by azimuth about z.
void Transform(double azimuth, float matrix[16]) {
    const double elevation = std::numbers::pi / 6, distance = 12, nearplane = 1, farplane = 30;
    const double f = 1 / std::tan(std::numbers::pi / 8);
    const double ca = std::cos(azimuth), sa = std::sin(azimuth), ce = std::cos(elevation),
                 se = std::sin(elevation);
    // the view's rows: right, up and backwards in world coordinates
    const double right[3] = {-sa, ca, 0}, up[3] = {-se * ca, -se * sa, ce}, back[3] = {ce * ca, ce * sa, se};
    const double a = (farplane + nearplane) / (nearplane - farplane);
    const double b = 2 * farplane * nearplane / (nearplane - farplane);
    for (int column = 0; column < 3; ++column) {
        matrix[column * 4 + 0] = static_cast<float>(f * right[column]);
        matrix[column * 4 + 1] = static_cast<float>(f * up[column]);
        matrix[column * 4 + 2] = static_cast<float>(a * back[column]);
        matrix[column * 4 + 3] = static_cast<float>(-back[column]);
    }
    matrix[12] = 0;
    matrix[13] = 0;
    matrix[14] = static_cast<float>(a * -distance + b);
    matrix[15] = static_cast<float>(distance);
}

GLuint Program(QOpenGLFunctions_3_3_Core& gl) {
    GLuint program = gl.glCreateProgram();
    for (auto [kind, source] :
         {std::pair{GL_VERTEX_SHADER, VERTEX_SHADER}, {GL_FRAGMENT_SHADER, FRAGMENT_SHADER}}) {
        GLuint shader = gl.glCreateShader(kind);
        gl.glShaderSource(shader, 1, &source, nullptr);
        gl.glCompileShader(shader);
        gl.glAttachShader(program, shader);
    }
    gl.glLinkProgram(program);
    GLint linked = 0;
    gl.glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (!linked) {
        std::fprintf(stderr, "floor_view: the shaders do not link\n");
        std::exit(1);
    }
    return program;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::atoi(argv[1]) : 50;
    if (frames < 1) {
        std::fputs("usage: floor_view [FRAMES]\n", stderr);
        return 2;
    }
    QGuiApplication application(argc, argv);
    QSurfaceFormat format;
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
    format.setDepthBufferSize(24);
    format.setSwapInterval(0);
    QWindow window;
    window.setSurfaceType(QSurface::OpenGLSurface);
    window.setFormat(format);
    window.setTitle("Floor view");
    window.resize(SIZE, SIZE);
    window.show();
    while (!window.isExposed())
        application.processEvents(QEventLoop::WaitForMoreEvents);
    QOpenGLContext context;
    context.setFormat(format);
    if (!context.create() || !context.makeCurrent(&window)) {
        std::fputs("floor_view: no OpenGL 3.3 context\n", stderr);
        return 1;
    }
    auto& gl = *QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_3_3_Core>(&context);

    size_t facevertices = 0, edgevertices = 0, pointvertices = 0;
    GLuint array = 0, buffer = 0;
    gl.glGenVertexArrays(1, &array);
    gl.glBindVertexArray(array);
    gl.glGenBuffers(1, &buffer);
    gl.glBindBuffer(GL_ARRAY_BUFFER, buffer);
    {
        const std::vector<FloorVertex> vertices = TorusVertices(facevertices, edgevertices, pointvertices);
        gl.glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(FloorVertex)),
                        vertices.data(), GL_STATIC_DRAW);
    }
    gl.glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(FloorVertex),
                             reinterpret_cast<void*>(offsetof(FloorVertex, position)));
    gl.glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, sizeof(FloorVertex),
                             reinterpret_cast<void*>(offsetof(FloorVertex, normal)));
    gl.glVertexAttribPointer(2, 4, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(FloorVertex),
                             reinterpret_cast<void*>(offsetof(FloorVertex, color)));
    for (GLuint attribute = 0; attribute < 3; ++attribute)
        gl.glEnableVertexAttribArray(attribute);
    const GLuint program = Program(gl);
    gl.glUseProgram(program);
    const GLint transform = gl.glGetUniformLocation(program, "transform");
    const GLint depthoffset = gl.glGetUniformLocation(program, "depthoffset");
    const GLint tint = gl.glGetUniformLocation(program, "tint");
    gl.glViewport(0, 0, SIZE, SIZE);
    gl.glEnable(GL_CULL_FACE);
    gl.glEnable(GL_PROGRAM_POINT_SIZE);
    gl.glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);

    // The see-through passes draw black at these alphas (premultiplied), then the opaque pass.
    auto pass = [&](GLenum mode, GLint first, size_t count, float seethroughalpha) {
        const float a = seethroughalpha / 255;
        gl.glDisable(GL_DEPTH_TEST);
        gl.glDepthMask(GL_FALSE);
        gl.glUniform4f(tint, a, a, a, a);
        gl.glDrawArrays(mode, first, static_cast<GLsizei>(count));
        gl.glEnable(GL_DEPTH_TEST);
        gl.glDepthMask(GL_TRUE);
        gl.glUniform4f(tint, 1, 1, 1, 1);
        gl.glDrawArrays(mode, first, static_cast<GLsizei>(count));
    };
    double azimuth = 0;
    auto frame = [&](bool schematic) {
        float matrix[16];
        Transform(azimuth, matrix);
        azimuth += std::numbers::pi / 90;
        gl.glUniformMatrix4fv(transform, 1, GL_FALSE, matrix);
        gl.glClearColor(0.8f, 0.8f, 0.8f, 1);
        gl.glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        gl.glEnable(GL_DEPTH_TEST);
        gl.glDepthMask(GL_TRUE);
        if (schematic)
            gl.glEnable(GL_BLEND);
        else
            gl.glDisable(GL_BLEND);
        gl.glUniform1f(depthoffset, 0);
        gl.glUniform4f(tint, 1, 1, 1, 1);
        gl.glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(facevertices));
        if (schematic) {
            gl.glUniform1f(depthoffset, 1e-4f);
            pass(GL_LINES, static_cast<GLint>(facevertices), edgevertices, 80);
            pass(GL_POINTS, static_cast<GLint>(facevertices + edgevertices), pointvertices, 120);
        }
        gl.glFinish();
        context.swapBuffers(&window);
    };

    std::printf(
        "# floor_view: %d x %d, %zu triangles, %zu edges, %zu points; median of %d frames, each ended "
        "by glFinish and the swap\n",
        SIZE, SIZE, facevertices / 3, edgevertices / 2, pointvertices, frames);
    for (bool schematic : {false, true}) {
        // the first frame of a mode builds the driver's shader variants: not counted
        frame(schematic);
        std::vector<double> times;
        for (int i = 0; i < frames; ++i) {
            const auto start = std::chrono::steady_clock::now();
            frame(schematic);
            times.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
            application.processEvents();
        }
        std::printf("%s %.2f\n", schematic ? "Schematic" : "Solid", Median(times));
        std::fflush(stdout);
    }
    return 0;
}
