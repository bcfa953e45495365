// The shader program that stands in for Direct3D 9's fixed-function pipeline: pretransformed or
// transformed vertices, per-vertex directional lighting with global ambient and material sources, two
// texture stages with the operations the engine uses, the specular sum, and the point size (squares of that
// many pixels, without scaling by distance or point sprites' texture coordinates).
#pragma once

#include <QOpenGLShaderProgram>

// Attribute locations, fixed before linking.
enum qzGLAttribute : unsigned { QZGL_POSITION = 0, QZGL_NORMAL, QZGL_DIFFUSE, QZGL_SPECULAR, QZGL_TEXCOORD };

constexpr int QZGL_MAXLIGHTS = 8;
constexpr int QZGL_STAGES = 2;

// What a draw asks of the pixel stage decides the program that draws it: the vertex colour as it is, the
// unlit second (specular) colour as it is, the texture of stage 0 modulating the vertex colour, or the whole
// cascade of the two stages with the specular sum. The first three carry only the values they use from
// vertex to pixel, which the software rasteriser pays for per triangle and per pixel.
enum class qzGLVariant { Color, SecondColor, Modulate, General };
constexpr int QZGL_VARIANTS = 4;

class qzGLProgram {
public:
    // Compiles and links in the current context; false with the log on the debug output when it fails.
    bool Build(qzGLVariant variant);
    void Bind() { program.bind(); }

    QOpenGLShaderProgram program;
    // Uniform locations.
    int pretransformed = -1, viewport = -1, pointsize = -1, worldviewprojection = -1, world = -1,
        normalmatrix = -1;
    int camera = -1, lighting = -1, specularenable = -1, ambientlight = -1;
    int materialdiffuse = -1, materialambient = -1, materialspecular = -1, materialemissive = -1;
    int materialpower = -1, sources = -1, lightcount = -1;
    int lightvector = -1, lightdiffuse = -1, lightspecular = -1;
    int colorop = -1, colorarg = -1, alphaop = -1, alphaarg = -1, hastexture = -1;
    // Which groups of uniforms this program has not been given since they changed.
    bool viewportdirty = true, transformsdirty = true, lightsdirty = true, stagesdirty = true;
};
