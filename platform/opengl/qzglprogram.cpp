#include "qzglprogram.h"

#include "qzdebugoutput.h"
#include "qzstring.h"

namespace {

const char* const VERTEXSHADER = R"(
layout(location = 0) in vec4 position;
layout(location = 1) in vec3 normal;
layout(location = 2) in vec4 diffuse;
layout(location = 3) in vec4 specular;
layout(location = 4) in vec2 texcoord;

uniform bool pretransformed;
uniform vec4 viewport;
uniform float pointsize;
uniform mat4 worldviewprojection;
uniform mat4 world;
uniform mat3 normalmatrix;
uniform vec3 camera;
uniform bool lighting;
uniform bool specularenable;
uniform vec3 ambientlight;
uniform vec4 materialdiffuse, materialambient, materialspecular, materialemissive;
uniform float materialpower;
uniform ivec4 sources;
uniform int lightcount;
uniform vec3 lightvector[8];
uniform vec4 lightdiffuse[8], lightspecular[8];

out vec4 vdiffuse;
#ifdef GENERAL
out vec4 vspecular;
#endif
#if defined(GENERAL) || defined(MODULATE)
out vec2 vtexcoord;
#endif

vec4 Source(int source, vec4 material) {
    return source == 1 ? diffuse : source == 2 ? specular : material;
}

void main() {
    if (pretransformed) {
        // Pixel centres lie on integer coordinates; rows run top-down in every target.
        float w = position.w > 0.0 ? 1.0 / position.w : 1.0;
        vec2 ndc = (position.xy + 0.5 - viewport.xy) / viewport.zw * 2.0 - 1.0;
        gl_Position = vec4(ndc, position.z * 2.0 - 1.0, 1.0) * w;
    } else {
        vec4 clip = worldviewprojection * vec4(position.xyz, 1.0);
        gl_Position = vec4(clip.x + clip.w / viewport.z, clip.w / viewport.w - clip.y, 2.0 * clip.z - clip.w,
                           clip.w);
    }
    // Points are squares this many pixels wide around their centres, in world and screen space alike.
    gl_PointSize = pointsize;
#if defined(GENERAL) || defined(MODULATE)
    vtexcoord = texcoord;
#endif
    if (!lighting) {
#ifdef SECONDCOLOR
        vdiffuse = specular;
#else
        vdiffuse = diffuse;
#endif
#ifdef GENERAL
        vspecular = specular;
#endif
        return;
    }
    vec4 ca = Source(sources.x, materialambient);
    vec4 cd = Source(sources.y, materialdiffuse);
    vec4 cs = Source(sources.z, materialspecular);
    vec4 ce = Source(sources.w, materialemissive);
    vec3 n = normalmatrix * normal;
    n = dot(n, n) > 0.0 ? normalize(n) : n;
    // What does not change from vertex to vertex is worked out once per draw: the unit vectors towards the
    // lights and the sum of the ambient light. The eye matters only to the specular highlight.
    vec3 diffusesum = vec3(0.0);
    for (int i = 0; i < lightcount; ++i)
        diffusesum += lightdiffuse[i].rgb * max(dot(n, lightvector[i]), 0.0);
    vdiffuse = vec4(clamp(ca.rgb * ambientlight + cd.rgb * diffusesum + ce.rgb, 0.0, 1.0), cd.a);
#ifdef GENERAL
    vec3 specularsum = vec3(0.0);
    if (specularenable) {
        vec3 toeye = normalize(camera - (world * vec4(position.xyz, 1.0)).xyz);
        for (int i = 0; i < lightcount; ++i)
            if (dot(n, lightvector[i]) > 0.0)
                specularsum += lightspecular[i].rgb * pow(max(dot(n, normalize(toeye + lightvector[i])), 0.0),
                                                          materialpower);
    }
    vspecular = vec4(clamp(cs.rgb * specularsum, 0.0, 1.0), 0.0);
#endif
}
)";

const char* const FRAGMENTSHADER = R"(
in vec4 vdiffuse;
out vec4 fragment;

#if defined(COLOR) || defined(SECONDCOLOR)
void main() {
    fragment = vdiffuse;
}
#elif defined(MODULATE)
in vec2 vtexcoord;
uniform sampler2D texture0;

void main() {
    fragment = texture(texture0, vtexcoord) * vdiffuse;
}
#else
in vec4 vspecular;
in vec2 vtexcoord;

uniform bool specularenable;
uniform int colorop[2];
uniform int colorarg[4];
uniform int alphaop[2];
uniform int alphaarg[4];
uniform bool hastexture[2];
uniform sampler2D texture0;
uniform sampler2D texture1;

vec4 Argument(int argument, vec4 current, vec4 texel) {
    int kind = argument & 15;
    if (kind == 0) return vdiffuse;
    if (kind == 2) return texel;
    if (kind == 3) return vec4(1.0);
    if (kind == 4) return vspecular;
    if (kind == 5) return vec4(0.0);
    return current;
}

vec4 Operate(int operation, vec4 first, vec4 second) {
    if (operation == 2) return first;
    if (operation == 3) return second;
    return first * second;
}

void main() {
    vec4 current = vdiffuse;
    for (int stage = 0; stage < 2; ++stage) {
        // A disabled colour operation ends the cascade.
        if (colorop[stage] == 1)
            break;
        vec4 texel = vec4(1.0);
        if (hastexture[stage])
            texel = stage == 0 ? texture(texture0, vtexcoord) : texture(texture1, vtexcoord);
        vec3 color = Operate(colorop[stage], Argument(colorarg[stage * 2], current, texel),
                             Argument(colorarg[stage * 2 + 1], current, texel)).rgb;
        float alpha = current.a;
        if (alphaop[stage] != 1)
            alpha = Operate(alphaop[stage], Argument(alphaarg[stage * 2], current, texel),
                            Argument(alphaarg[stage * 2 + 1], current, texel)).a;
        current = vec4(color, alpha);
    }
    if (specularenable)
        current.rgb = min(current.rgb + vspecular.rgb, vec3(1.0));
    fragment = current;
}
#endif
)";

const char* const VARIANTDEFINES[QZGL_VARIANTS] = {
    "#version 330 core\n#define COLOR\n", "#version 330 core\n#define SECONDCOLOR\n",
    "#version 330 core\n#define MODULATE\n", "#version 330 core\n#define GENERAL\n"};

} // namespace

bool qzGLProgram::Build(qzGLVariant variant) {
    const QByteArray defines = VARIANTDEFINES[static_cast<int>(variant)];
    bool built = program.addShaderFromSourceCode(QOpenGLShader::Vertex, defines + VERTEXSHADER) &&
                 program.addShaderFromSourceCode(QOpenGLShader::Fragment, defines + FRAGMENTSHADER);
    if (built) {
        program.bindAttributeLocation("position", QZGL_POSITION);
        program.bindAttributeLocation("normal", QZGL_NORMAL);
        program.bindAttributeLocation("diffuse", QZGL_DIFFUSE);
        program.bindAttributeLocation("specular", QZGL_SPECULAR);
        program.bindAttributeLocation("texcoord", QZGL_TEXCOORD);
        built = program.link();
    }
    if (!built) {
        qzString line("[qzGLProgram] ");
        line.Append(program.log().toLatin1().constData());
        line.Append('\n');
        qzOutputDebugString(line);
        return false;
    }
    program.bind();
    pretransformed = program.uniformLocation("pretransformed");
    viewport = program.uniformLocation("viewport");
    pointsize = program.uniformLocation("pointsize");
    worldviewprojection = program.uniformLocation("worldviewprojection");
    world = program.uniformLocation("world");
    normalmatrix = program.uniformLocation("normalmatrix");
    camera = program.uniformLocation("camera");
    lighting = program.uniformLocation("lighting");
    specularenable = program.uniformLocation("specularenable");
    ambientlight = program.uniformLocation("ambientlight");
    materialdiffuse = program.uniformLocation("materialdiffuse");
    materialambient = program.uniformLocation("materialambient");
    materialspecular = program.uniformLocation("materialspecular");
    materialemissive = program.uniformLocation("materialemissive");
    materialpower = program.uniformLocation("materialpower");
    sources = program.uniformLocation("sources");
    lightcount = program.uniformLocation("lightcount");
    lightvector = program.uniformLocation("lightvector");
    lightdiffuse = program.uniformLocation("lightdiffuse");
    lightspecular = program.uniformLocation("lightspecular");
    colorop = program.uniformLocation("colorop");
    colorarg = program.uniformLocation("colorarg");
    alphaop = program.uniformLocation("alphaop");
    alphaarg = program.uniformLocation("alphaarg");
    hastexture = program.uniformLocation("hastexture");
    // a variant without the sampler ignores the setting
    program.setUniformValue("texture0", 0);
    program.setUniformValue("texture1", 1);
    program.setUniformValue(pointsize, 1.0f);
    return true;
}
