#include "qzgldevice.h"

#include "qzglrenderapi.h"

#include <QMatrix4x4>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QOpenGLFunctions_3_3_Core>
#include <QOpenGLVersionFunctionsFactory>

#include <algorithm>
#include <bit>
#include <vector>

namespace {

D3DMATRIX Identity() {
    D3DMATRIX m;
    for (int i = 0; i < 4; ++i)
        m.m[i][i] = 1.0f;
    return m;
}

// Row vectors times row-major matrices, as Direct3D multiplies.
D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
    D3DMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] =
                a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
    return r;
}

// The same matrix for column vectors.
QMatrix4x4 ColumnMatrix(const D3DMATRIX& m) {
    return QMatrix4x4(&m.m[0][0]).transposed();
}

GLenum BlendFactor(uint32_t blend) {
    switch (blend) {
    case D3DBLEND_ZERO:
        return GL_ZERO;
    case D3DBLEND_SRCCOLOR:
        return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR:
        return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA:
        return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA:
        return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA:
        return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA:
        return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR:
        return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR:
        return GL_ONE_MINUS_DST_COLOR;
    default:
        return GL_ONE;
    }
}

GLenum BlendEquation(uint32_t operation) {
    switch (operation) {
    case D3DBLENDOP_SUBTRACT:
        return GL_FUNC_SUBTRACT;
    case D3DBLENDOP_REVSUBTRACT:
        return GL_FUNC_REVERSE_SUBTRACT;
    case D3DBLENDOP_MIN:
        return GL_MIN;
    case D3DBLENDOP_MAX:
        return GL_MAX;
    default:
        return GL_FUNC_ADD;
    }
}

GLint AddressMode(uint32_t mode) {
    constexpr uint32_t MIRROR = 2, CLAMP = 3;
    return mode == MIRROR ? GL_MIRRORED_REPEAT : mode == CLAMP ? GL_CLAMP_TO_EDGE : GL_REPEAT;
}

GLint MinFilter(uint32_t min, uint32_t mip) {
    bool linear = min == D3DTEXF_LINEAR;
    if (mip == D3DTEXF_POINT)
        return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    if (mip == D3DTEXF_LINEAR)
        return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    return linear ? GL_LINEAR : GL_NEAREST;
}

GLenum Mode(D3DPRIMITIVETYPE type) {
    switch (type) {
    case D3DPT_POINTLIST:
        return GL_POINTS;
    case D3DPT_LINELIST:
        return GL_LINES;
    case D3DPT_LINESTRIP:
        return GL_LINE_STRIP;
    case D3DPT_TRIANGLELIST:
        return GL_TRIANGLES;
    case D3DPT_TRIANGLESTRIP:
        return GL_TRIANGLE_STRIP;
    case D3DPT_TRIANGLEFAN:
        return GL_TRIANGLE_FAN;
    }
    return GL_POINTS;
}

QVector4D Color(const D3DCOLORVALUE& c) {
    return QVector4D(c.r, c.g, c.b, c.a);
}

QVector4D Color(uint32_t argb) {
    return QVector4D(((argb >> 16) & 0xFF) / 255.0f, ((argb >> 8) & 0xFF) / 255.0f, (argb & 0xFF) / 255.0f,
                     (argb >> 24) / 255.0f);
}

// A new buffer or texture with its GL storage, handed out through object; one whose storage cannot be had is
// released again.
template <class Object, class Interface, class... Arguments>
HRESULT Realized(Interface** object, Arguments... arguments) {
    Object* created = nullptr;
    try {
        created = new Object(arguments...);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    if (!created->Realize()) {
        created->Release();
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    *object = created;
    return D3D_OK;
}

} // namespace

qzGLDevice::qzGLDevice(qzGLRenderApi* api, qzWindowHandle focus) : api(api), focus(focus) {
    backbuffer.texture = nullptr;
    next = api->devices;
    api->devices = this;
}

qzGLDevice::~qzGLDevice() {
    DropContext();
    for (qzGLDevice** link = &api->devices; *link != nullptr; link = &(*link)->next) {
        if (*link == this) {
            *link = next;
            break;
        }
    }
}

uint32_t qzGLDevice::Release() {
    uint32_t left = --references;
    if (left == 0)
        delete this;
    return left;
}

QWindow* qzGLDevice::Window() {
    // The native window can be made again under us (a change of window type); it is then found anew.
    if (window.isNull() || window->surfaceType() != QSurface::OpenGLSurface || window->handle() == nullptr) {
        QSurfaceFormat format = context != nullptr ? context->format() : QSurfaceFormat();
        window = api->PrepareWindow(focus, format);
    }
    return window.data();
}

bool qzGLDevice::MakeCurrent() {
    if (context == nullptr || contextlost)
        return false;
    QWindow* surface = Window();
    QSurface* chosen = surface != nullptr ? static_cast<QSurface*>(surface) : offscreen.get();
    if (QOpenGLContext::currentContext() == context.get() && context->surface() == chosen)
        return true;
    return context->makeCurrent(chosen);
}

HRESULT qzGLDevice::Initialise(const D3DPRESENT_PARAMETERS& requested) {
    parameters = requested;
    if (!BuildContext())
        return D3DERR_NOTAVAILABLE;
    if (!BuildBackBuffer())
        return D3DERR_OUTOFVIDEOMEMORY;
    ResetState();
    return D3D_OK;
}

bool qzGLDevice::BuildContext() {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
    format.setDepthBufferSize(0);
    format.setStencilBufferSize(0);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    format.setSwapInterval(parameters.PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE ? 0 : 1);
    window = api->PrepareWindow(focus, format);
    context = std::make_unique<QOpenGLContext>();
    context->setFormat(format);
    offscreen = std::make_unique<QOffscreenSurface>();
    offscreen->setFormat(format);
    offscreen->create();
    if (!context->create() || context->format().version() < qMakePair(3, 3)) {
        context.reset();
        return false;
    }
    contextlost = false;
    if (!MakeCurrent())
        return false;
    gl = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_3_3_Core>(context.get());
    if (gl == nullptr)
        return false;
    // The interface's two programs now, the others when a draw first needs them.
    if (Program(qzGLVariant::Color) == nullptr || Program(qzGLVariant::Modulate) == nullptr)
        return false;
    gl->glGenVertexArrays(1, &presentarray);
    gl->glBindVertexArray(presentarray);
    gl->glGenBuffers(1, &presentvertices);
    gl->glBindBuffer(GL_ARRAY_BUFFER, presentvertices);
    gl->glBufferData(GL_ARRAY_BUFFER, sizeof(float) * 24, nullptr, GL_STREAM_DRAW);
    gl->glEnableVertexAttribArray(QZGL_POSITION);
    gl->glVertexAttribPointer(QZGL_POSITION, 4, GL_FLOAT, GL_FALSE, sizeof(float) * 6, nullptr);
    gl->glEnableVertexAttribArray(QZGL_TEXCOORD);
    gl->glVertexAttribPointer(QZGL_TEXCOORD, 2, GL_FLOAT, GL_FALSE, sizeof(float) * 6,
                              reinterpret_cast<const void*>(sizeof(float) * 4));
    gl->glGenSamplers(1, &presentsampler);
    gl->glSamplerParameteri(presentsampler, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    gl->glSamplerParameteri(presentsampler, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    gl->glSamplerParameteri(presentsampler, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    gl->glSamplerParameteri(presentsampler, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    gl->glGenVertexArrays(1, &vertexarray);
    gl->glBindVertexArray(vertexarray);
    for (Stage& stage : state.stages)
        gl->glGenSamplers(1, &stage.sampler);
    gl->glPixelStorei(GL_PACK_ALIGNMENT, 4);
    gl->glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    for (qzGLBuffer* buffer = buffers; buffer != nullptr; buffer = buffer->next)
        buffer->Realize();
    for (qzGLTexture* texture = textures; texture != nullptr; texture = texture->next)
        texture->Realize();
    return true;
}

void qzGLDevice::DropContext() {
    if (context == nullptr)
        return;
    if (!contextlost && MakeCurrent()) {
        DropBackBuffer();
        for (qzGLBuffer* buffer = buffers; buffer != nullptr; buffer = buffer->next)
            buffer->Delete();
        for (qzGLTexture* texture = textures; texture != nullptr; texture = texture->next) {
            gl->glDeleteTextures(1, &texture->name);
            gl->glDeleteFramebuffers(1, &texture->framebuffer);
            gl->glDeleteRenderbuffers(1, &texture->depth);
            texture->Abandon();
        }
        for (Stage& stage : state.stages)
            gl->glDeleteSamplers(1, &stage.sampler);
        gl->glDeleteVertexArrays(1, &vertexarray);
        gl->glDeleteVertexArrays(1, &presentarray);
        gl->glDeleteBuffers(1, &presentvertices);
        gl->glDeleteSamplers(1, &presentsampler);
        for (std::unique_ptr<qzGLProgram>& program : programs)
            program.reset();
        context->doneCurrent();
    } else {
        for (qzGLBuffer* buffer = buffers; buffer != nullptr; buffer = buffer->next)
            buffer->Abandon();
        for (qzGLTexture* texture = textures; texture != nullptr; texture = texture->next)
            texture->Abandon();
        // The programs' objects died with the context; they must not try to delete them.
        for (std::unique_ptr<qzGLProgram>& program : programs) {
            if (program != nullptr)
                program->program.removeAllShaders();
            program.reset();
        }
    }
    backframebuffer = backcolor = backdepth = resolveframebuffer = backtexture = vertexarray = 0;
    presentarray = presentvertices = presentsampler = 0;
    for (Stage& stage : state.stages)
        stage.sampler = 0;
    context.reset();
    offscreen.reset();
    gl = nullptr;
}

bool qzGLDevice::BuildBackBuffer() {
    if (!MakeCurrent())
        return false;
    QWindow* surface = Window();
    if (parameters.BackBufferWidth == 0 || parameters.BackBufferHeight == 0) {
        // Direct3D takes the client area's size for a zero size.
        QSize size = surface != nullptr ? surface->size() * surface->devicePixelRatio() : QSize(1, 1);
        parameters.BackBufferWidth = static_cast<uint32_t>(std::max(1, size.width()));
        parameters.BackBufferHeight = static_cast<uint32_t>(std::max(1, size.height()));
    }
    GLint maxsize = 0;
    gl->glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxsize);
    if (parameters.BackBufferWidth > static_cast<uint32_t>(maxsize) ||
        parameters.BackBufferHeight > static_cast<uint32_t>(maxsize))
        return false;
    GLsizei width = static_cast<GLsizei>(parameters.BackBufferWidth);
    GLsizei height = static_cast<GLsizei>(parameters.BackBufferHeight);
    samples = parameters.MultiSampleType == D3DMULTISAMPLE_NONE ? 0 : 2 << parameters.MultiSampleQuality;
    if (api->maxsamples >= 0)
        samples = std::min(samples, api->maxsamples);
    // The texture the window is drawn from: the back buffer's colour itself, or its resolved copy.
    gl->glGenTextures(1, &backtexture);
    gl->glBindTexture(GL_TEXTURE_2D, backtexture);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    gl->glBindTexture(GL_TEXTURE_2D, 0);
    gl->glGenFramebuffers(1, &backframebuffer);
    gl->glBindFramebuffer(GL_FRAMEBUFFER, backframebuffer);
    if (samples > 0) {
        gl->glGenRenderbuffers(1, &backcolor);
        gl->glBindRenderbuffer(GL_RENDERBUFFER, backcolor);
        gl->glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_RGBA8, width, height);
        gl->glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, backcolor);
    } else {
        gl->glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, backtexture, 0);
    }
    if (parameters.EnableAutoDepthStencil) {
        gl->glGenRenderbuffers(1, &backdepth);
        gl->glBindRenderbuffer(GL_RENDERBUFFER, backdepth);
        gl->glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_DEPTH_COMPONENT16, width, height);
        gl->glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, backdepth);
    }
    bool complete = gl->glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    if (complete && samples > 0) {
        // Multisampled pixels are resolved here before they are shown or read.
        gl->glGenFramebuffers(1, &resolveframebuffer);
        gl->glBindFramebuffer(GL_FRAMEBUFFER, resolveframebuffer);
        gl->glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, backtexture, 0);
        complete = gl->glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    }
    if (!complete) {
        DropBackBuffer();
        return false;
    }
    target = nullptr;
    BindTarget();
    return true;
}

void qzGLDevice::DropBackBuffer() {
    gl->glBindFramebuffer(GL_FRAMEBUFFER, 0);
    gl->glDeleteFramebuffers(1, &backframebuffer);
    gl->glDeleteRenderbuffers(1, &backcolor);
    gl->glDeleteRenderbuffers(1, &backdepth);
    gl->glDeleteFramebuffers(1, &resolveframebuffer);
    gl->glDeleteTextures(1, &backtexture);
    backframebuffer = backcolor = backdepth = resolveframebuffer = backtexture = 0;
}

void qzGLDevice::ResetState() {
    // The sampler objects stay across the reset.
    Stage kept[QZGL_STAGES];
    for (int i = 0; i < QZGL_STAGES; ++i)
        kept[i].sampler = state.stages[i].sampler;
    state = State();
    state.zenable = parameters.EnableAutoDepthStencil;
    state.world = state.view = state.projection = Identity();
    state.viewport = D3DVIEWPORT9{0, 0, parameters.BackBufferWidth, parameters.BackBufferHeight, 0.0f, 1.0f};
    state.scissor = {0, 0, static_cast<int32_t>(parameters.BackBufferWidth),
                     static_cast<int32_t>(parameters.BackBufferHeight)};
    for (int i = 0; i < QZGL_STAGES; ++i) {
        state.stages[i].sampler = kept[i].sampler;
        state.stages[i].colorop = i == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        state.stages[i].alphaop = i == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
    }
    target = nullptr;
    stream = nullptr;
    indices = nullptr;
    fvf = 0;
    MarkDirty(&qzGLProgram::transformsdirty);
    MarkDirty(&qzGLProgram::lightsdirty);
    MarkDirty(&qzGLProgram::stagesdirty);
    ApplyFixedState();
}

void qzGLDevice::ApplyFixedState() {
    gl->glFrontFace(GL_CCW);
    gl->glDisable(GL_STENCIL_TEST);
    gl->glDisable(GL_DITHER);
    gl->glDepthFunc(GL_LEQUAL);
    // Points take their size from the vertex program, for world-space and screen-space points alike.
    gl->glEnable(GL_PROGRAM_POINT_SIZE);
    ApplyBlend();
    ApplyDepth();
    ApplyCull();
    ApplyScissor();
    ApplyViewport();
}

void qzGLDevice::ApplyBlend() {
    if (state.alphablend)
        gl->glEnable(GL_BLEND);
    else
        gl->glDisable(GL_BLEND);
    gl->glBlendFunc(BlendFactor(state.srcblend), BlendFactor(state.destblend));
    gl->glBlendEquation(BlendEquation(state.blendop));
}

void qzGLDevice::ApplyDepth() {
    // Targets without a depth buffer pass every depth test, as in Direct3D.
    if (state.zenable && parameters.EnableAutoDepthStencil)
        gl->glEnable(GL_DEPTH_TEST);
    else
        gl->glDisable(GL_DEPTH_TEST);
    gl->glDepthMask(state.zwrite ? GL_TRUE : GL_FALSE);
}

// Rows run top-down on the screen and in storage alike, so a triangle clockwise on the screen is
// counter-clockwise in GL's window coordinates.
void qzGLDevice::ApplyCull() {
    if (state.cull == D3DCULL_NONE) {
        gl->glDisable(GL_CULL_FACE);
        return;
    }
    gl->glEnable(GL_CULL_FACE);
    gl->glCullFace(state.cull == D3DCULL_CCW ? GL_BACK : GL_FRONT);
}

void qzGLDevice::ApplyScissor() {
    if (!state.scissortest) {
        gl->glDisable(GL_SCISSOR_TEST);
        return;
    }
    gl->glEnable(GL_SCISSOR_TEST);
    const qzRect& r = state.scissor;
    gl->glScissor(r.left, r.top, std::max(0, r.right - r.left), std::max(0, r.bottom - r.top));
}

void qzGLDevice::ApplyViewport() {
    const D3DVIEWPORT9& v = state.viewport;
    gl->glViewport(static_cast<GLint>(v.X), static_cast<GLint>(v.Y), static_cast<GLsizei>(v.Width),
                   static_cast<GLsizei>(v.Height));
    gl->glDepthRange(v.MinZ, v.MaxZ);
    MarkDirty(&qzGLProgram::viewportdirty);
}

qzGLProgram* qzGLDevice::Program(qzGLVariant variant) {
    std::unique_ptr<qzGLProgram>& program = programs[static_cast<int>(variant)];
    if (program == nullptr) {
        auto built = std::make_unique<qzGLProgram>();
        if (!built->Build(variant))
            return nullptr;
        program = std::move(built);
    }
    return program.get();
}

void qzGLDevice::MarkDirty(bool qzGLProgram::*group) {
    for (std::unique_ptr<qzGLProgram>& program : programs)
        if (program != nullptr)
            (*program).*group = true;
}

void qzGLDevice::BindTarget() {
    gl->glBindFramebuffer(GL_FRAMEBUFFER, target != nullptr ? target->framebuffer : backframebuffer);
}

uint32_t qzGLDevice::TargetWidth() const {
    return target != nullptr ? target->width : parameters.BackBufferWidth;
}

uint32_t qzGLDevice::TargetHeight() const {
    return target != nullptr ? target->height : parameters.BackBufferHeight;
}

bool qzGLDevice::IsMinimised() const {
    return !window.isNull() && (window->windowStates() & Qt::WindowMinimized);
}

HRESULT qzGLDevice::TestCooperativeLevel() {
    if (IsMinimised()) {
        lost = true;
        return D3DERR_DEVICELOST;
    }
    if (contextlost || (context != nullptr && !context->isValid())) {
        // The system gives a lost context back at the next question.
        if (!lost) {
            lost = true;
            return D3DERR_DEVICELOST;
        }
        return D3DERR_DEVICENOTRESET;
    }
    return lost ? D3DERR_DEVICENOTRESET : D3D_OK;
}

HRESULT qzGLDevice::Reset(D3DPRESENT_PARAMETERS* requested) {
    if (requested == nullptr)
        return D3DERR_INVALIDCALL;
    for (qzGLBuffer* buffer = buffers; buffer != nullptr; buffer = buffer->next)
        if (buffer->pool == D3DPOOL_DEFAULT)
            return D3DERR_INVALIDCALL;
    for (qzGLTexture* texture = textures; texture != nullptr; texture = texture->next)
        if (texture->pool == D3DPOOL_DEFAULT)
            return D3DERR_INVALIDCALL;
    if (backbuffer.references != 0)
        return D3DERR_INVALIDCALL;
    if (IsMinimised()) {
        lost = true;
        return D3DERR_DEVICELOST;
    }
    D3DPRESENT_PARAMETERS previous = parameters;
    parameters = *requested;
    bool swapchanged = (previous.PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE) !=
                       (parameters.PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE);
    if (contextlost || context == nullptr || !context->isValid() || swapchanged) {
        DropContext();
        if (!BuildContext()) {
            lost = true;
            return D3DERR_DEVICELOST;
        }
    } else {
        if (!MakeCurrent()) {
            lost = true;
            return D3DERR_DEVICELOST;
        }
        DropBackBuffer();
    }
    if (!BuildBackBuffer()) {
        lost = true;
        return D3DERR_INVALIDCALL;
    }
    ResetState();
    *requested = parameters;
    lost = false;
    inscene = false;
    return D3D_OK;
}

HRESULT qzGLDevice::Present() {
    if (lost || contextlost)
        return D3DERR_DEVICELOST;
    if (IsMinimised()) {
        lost = true;
        return D3DERR_DEVICELOST;
    }
    if (!MakeCurrent()) {
        lost = true;
        return D3DERR_DEVICELOST;
    }
    QWindow* surface = Window();
    if (surface == nullptr)
        return D3D_OK;
    GLint width = static_cast<GLint>(parameters.BackBufferWidth);
    GLint height = static_cast<GLint>(parameters.BackBufferHeight);
    gl->glDisable(GL_SCISSOR_TEST);
    if (samples > 0) {
        gl->glBindFramebuffer(GL_READ_FRAMEBUFFER, backframebuffer);
        gl->glBindFramebuffer(GL_DRAW_FRAMEBUFFER, resolveframebuffer);
        gl->glBlitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    }
    QSize size = surface->size() * surface->devicePixelRatio();
    gl->glBindFramebuffer(GL_FRAMEBUFFER, context->defaultFramebufferObject());
    // Where the window is larger than the back buffer it shows black.
    gl->glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    gl->glClear(GL_COLOR_BUFFER_BIT);
    ShowBackBuffer(std::min(width, static_cast<GLint>(size.width())),
                   std::min(height, static_cast<GLint>(size.height())), size.height());
    context->swapBuffers(surface);
    api->CountPresent();
    BindTarget();
    ApplyScissor();
    return D3D_OK;
}

// The window's rows run bottom-up, the back buffer's top-down. The flip is a textured quad drawn with the
// frame's own program: a flipping blit would make the driver build shaders of its own, and at every start
// that costs more than the frame.
void qzGLDevice::ShowBackBuffer(int shownwidth, int shownheight, int windowheight) {
    gl->glViewport(0, windowheight - shownheight, shownwidth, shownheight);
    gl->glDisable(GL_BLEND);
    gl->glDisable(GL_DEPTH_TEST);
    gl->glDisable(GL_CULL_FACE);
    // the texture modulating white: the back buffer as it is
    qzGLProgram& program = *Program(qzGLVariant::Modulate);
    program.Bind();
    QOpenGLShaderProgram& p = program.program;
    p.setUniformValue(program.pretransformed, true);
    p.setUniformValue(program.viewport, QVector4D(0, 0, shownwidth, shownheight));
    p.setUniformValue(program.lighting, false);
    context->functions()->glVertexAttrib4f(QZGL_DIFFUSE, 1, 1, 1, 1);
    gl->glActiveTexture(GL_TEXTURE0);
    gl->glBindTexture(GL_TEXTURE_2D, backtexture);
    gl->glBindSampler(0, presentsampler);
    // Pixel centres lie on integer coordinates; the window's bottom row takes the last shown texture row.
    const float right = static_cast<float>(shownwidth) - 0.5f, top = static_cast<float>(shownheight) - 0.5f;
    const float u = static_cast<float>(shownwidth) / static_cast<float>(parameters.BackBufferWidth);
    const float v = static_cast<float>(shownheight) / static_cast<float>(parameters.BackBufferHeight);
    const float quad[4][6] = {
        {-0.5f, -0.5f, 0, 1, 0, v},
        {right, -0.5f, 0, 1, u, v},
        {-0.5f, top, 0, 1, 0, 0},
        {right, top, 0, 1, u, 0},
    };
    gl->glBindVertexArray(presentarray);
    gl->glBindBuffer(GL_ARRAY_BUFFER, presentvertices);
    gl->glBufferSubData(GL_ARRAY_BUFFER, 0, sizeof quad, quad);
    gl->glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    gl->glBindVertexArray(vertexarray);
    // The frame's state holds again for the next draw.
    gl->glBindSampler(0, state.stages[0].sampler);
    ApplyBlend();
    ApplyDepth();
    ApplyCull();
    ApplyViewport();
    // only this program's lighting switch was overwritten
    program.lightsdirty = true;
}

HRESULT qzGLDevice::BeginScene() {
    if (inscene)
        return D3DERR_INVALIDCALL;
    inscene = true;
    return D3D_OK;
}

HRESULT qzGLDevice::EndScene() {
    if (!inscene)
        return D3DERR_INVALIDCALL;
    inscene = false;
    return D3D_OK;
}

HRESULT qzGLDevice::Clear(uint32_t flags, uint32_t color, float z, uint32_t) {
    if (!MakeCurrent())
        return D3D_OK;
    // Direct3D clears the viewport, within the scissor rectangle when the test is on.
    const D3DVIEWPORT9& v = state.viewport;
    qzRect area{static_cast<int32_t>(v.X), static_cast<int32_t>(v.Y), static_cast<int32_t>(v.X + v.Width),
                static_cast<int32_t>(v.Y + v.Height)};
    if (state.scissortest) {
        area.left = std::max(area.left, state.scissor.left);
        area.top = std::max(area.top, state.scissor.top);
        area.right = std::min(area.right, state.scissor.right);
        area.bottom = std::min(area.bottom, state.scissor.bottom);
    }
    if (area.right <= area.left || area.bottom <= area.top)
        return D3D_OK;
    gl->glEnable(GL_SCISSOR_TEST);
    gl->glScissor(area.left, area.top, area.right - area.left, area.bottom - area.top);
    GLbitfield mask = 0;
    if (flags & D3DCLEAR_TARGET) {
        QVector4D c = Color(color);
        gl->glClearColor(c.x(), c.y(), c.z(), c.w());
        mask |= GL_COLOR_BUFFER_BIT;
    }
    if ((flags & D3DCLEAR_ZBUFFER) && parameters.EnableAutoDepthStencil) {
        gl->glDepthMask(GL_TRUE);
        gl->glClearDepth(z);
        mask |= GL_DEPTH_BUFFER_BIT;
    }
    gl->glClear(mask);
    if (target != nullptr)
        target->mipmapsstale = true;
    ApplyDepth();
    ApplyScissor();
    return D3D_OK;
}

HRESULT qzGLDevice::SetRenderState(D3DRENDERSTATETYPE type, uint32_t value) {
    bool on = value != 0;
    // The states of lighting reach the shader with the next draw.
    const D3DRENDERSTATETYPE SOURCES[4] = {D3DRS_AMBIENTMATERIALSOURCE, D3DRS_DIFFUSEMATERIALSOURCE,
                                           D3DRS_SPECULARMATERIALSOURCE, D3DRS_EMISSIVEMATERIALSOURCE};
    for (int i = 0; i < 4; ++i)
        if (type == SOURCES[i]) {
            state.sources[i] = value;
            MarkDirty(&qzGLProgram::lightsdirty);
            return D3D_OK;
        }
    if (type == D3DRS_SPECULARENABLE || type == D3DRS_LIGHTING || type == D3DRS_AMBIENT) {
        if (type == D3DRS_AMBIENT)
            state.ambient = value;
        else
            (type == D3DRS_LIGHTING ? state.lighting : state.specular) = on;
        MarkDirty(&qzGLProgram::lightsdirty);
        return D3D_OK;
    }
    switch (type) {
    case D3DRS_ZENABLE:
        state.zenable = value == D3DZB_TRUE;
        break;
    case D3DRS_ZWRITEENABLE:
        state.zwrite = on;
        break;
    case D3DRS_LASTPIXEL:
        state.lastpixel = on;
        return D3D_OK;
    case D3DRS_POINTSIZE: {
        // Direct3D keeps sizes at or above its minimum size, 1; larger ones are the driver's to limit.
        float size = std::bit_cast<float>(value);
        state.pointsize = size >= 1.0f ? size : 1.0f;
        return D3D_OK;
    }
    case D3DRS_SRCBLEND:
        state.srcblend = value;
        break;
    case D3DRS_DESTBLEND:
        state.destblend = value;
        break;
    case D3DRS_BLENDOP:
        state.blendop = value;
        break;
    case D3DRS_ALPHABLENDENABLE:
        state.alphablend = on;
        break;
    case D3DRS_CULLMODE:
        state.cull = value;
        break;
    case D3DRS_SCISSORTESTENABLE:
        state.scissortest = on;
        break;
    default:
        return D3DERR_INVALIDCALL;
    }
    if (!MakeCurrent())
        return D3D_OK;
    switch (type) {
    case D3DRS_ZENABLE:
    case D3DRS_ZWRITEENABLE:
        ApplyDepth();
        break;
    case D3DRS_CULLMODE:
        ApplyCull();
        break;
    case D3DRS_SCISSORTESTENABLE:
        ApplyScissor();
        break;
    default:
        ApplyBlend();
        break;
    }
    return D3D_OK;
}

HRESULT qzGLDevice::SetTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX* matrix) {
    if (matrix == nullptr)
        return D3DERR_INVALIDCALL;
    switch (type) {
    case D3DTS_WORLD:
        state.world = *matrix;
        break;
    case D3DTS_VIEW:
        state.view = *matrix;
        break;
    case D3DTS_PROJECTION:
        state.projection = *matrix;
        break;
    default:
        return D3DERR_INVALIDCALL;
    }
    MarkDirty(&qzGLProgram::transformsdirty);
    return D3D_OK;
}

HRESULT qzGLDevice::SetMaterial(const D3DMATERIAL9* material) {
    if (material == nullptr)
        return D3DERR_INVALIDCALL;
    state.material = *material;
    MarkDirty(&qzGLProgram::lightsdirty);
    return D3D_OK;
}

HRESULT qzGLDevice::SetTextureStageState(uint32_t index, D3DTEXTURESTAGESTATETYPE type, uint32_t value) {
    if (index >= QZGL_STAGES)
        return index < 8 ? D3D_OK : D3DERR_INVALIDCALL;
    Stage& stage = state.stages[index];
    switch (type) {
    case D3DTSS_COLOROP:
        stage.colorop = value;
        break;
    case D3DTSS_COLORARG1:
        stage.colorarg1 = value;
        break;
    case D3DTSS_COLORARG2:
        stage.colorarg2 = value;
        break;
    case D3DTSS_ALPHAOP:
        stage.alphaop = value;
        break;
    case D3DTSS_ALPHAARG1:
        stage.alphaarg1 = value;
        break;
    case D3DTSS_ALPHAARG2:
        stage.alphaarg2 = value;
        break;
    case D3DTSS_RESULTARG:
        break; // every stage writes the current colour
    default:
        return D3DERR_INVALIDCALL;
    }
    MarkDirty(&qzGLProgram::stagesdirty);
    return D3D_OK;
}

HRESULT qzGLDevice::SetSamplerState(uint32_t index, D3DSAMPLERSTATETYPE type, uint32_t value) {
    if (index >= QZGL_STAGES)
        return index < 16 ? D3D_OK : D3DERR_INVALIDCALL;
    Stage& stage = state.stages[index];
    switch (type) {
    case D3DSAMP_ADDRESSU:
        stage.addressu = value;
        break;
    case D3DSAMP_ADDRESSV:
        stage.addressv = value;
        break;
    case D3DSAMP_MAGFILTER:
        stage.magfilter = value;
        break;
    case D3DSAMP_MINFILTER:
        stage.minfilter = value;
        break;
    case D3DSAMP_MIPFILTER:
        stage.mipfilter = value;
        break;
    default:
        return D3DERR_INVALIDCALL;
    }
    stage.samplerdirty = true;
    return D3D_OK;
}

HRESULT qzGLDevice::SetViewport(const D3DVIEWPORT9* viewport) {
    if (viewport == nullptr || viewport->X + viewport->Width > TargetWidth() ||
        viewport->Y + viewport->Height > TargetHeight())
        return D3DERR_INVALIDCALL;
    state.viewport = *viewport;
    if (MakeCurrent())
        ApplyViewport();
    return D3D_OK;
}

HRESULT qzGLDevice::SetScissorRect(const qzRect* rect) {
    if (rect == nullptr)
        return D3DERR_INVALIDCALL;
    state.scissor = *rect;
    if (MakeCurrent())
        ApplyScissor();
    return D3D_OK;
}

HRESULT qzGLDevice::GetBackBuffer(uint32_t swapchain, uint32_t index, D3DBACKBUFFER_TYPE,
                                  qzRenderSurface** surface) {
    if (surface == nullptr || swapchain != 0 || index != 0)
        return D3DERR_INVALIDCALL;
    backbuffer.AddRef();
    *surface = &backbuffer;
    return D3D_OK;
}

HRESULT qzGLDevice::SetRenderTarget(uint32_t index, qzRenderSurface* surface) {
    auto* chosen = static_cast<qzGLSurface*>(surface);
    if (index != 0 || chosen == nullptr)
        return D3DERR_INVALIDCALL;
    if (chosen->texture != nullptr && !(chosen->texture->usage & D3DUSAGE_RENDERTARGET))
        return D3DERR_INVALIDCALL;
    target = chosen->texture;
    // A new target takes a viewport and a scissor rectangle of its whole size, as in Direct3D.
    state.viewport = D3DVIEWPORT9{0, 0, TargetWidth(), TargetHeight(), 0.0f, 1.0f};
    state.scissor = {0, 0, static_cast<int32_t>(TargetWidth()), static_cast<int32_t>(TargetHeight())};
    if (MakeCurrent()) {
        BindTarget();
        ApplyViewport();
        ApplyScissor();
    }
    return D3D_OK;
}

HRESULT qzGLDevice::GetRenderTargetData(qzRenderSurface* rendertarget, qzRenderSurface* destination) {
    auto* from = static_cast<qzGLSurface*>(rendertarget);
    auto* to = static_cast<qzGLSurface*>(destination);
    if (from == nullptr || to == nullptr || to->texture == nullptr || to->texture->pool != D3DPOOL_SYSTEMMEM)
        return D3DERR_INVALIDCALL;
    uint32_t width = from->texture != nullptr ? from->texture->width : parameters.BackBufferWidth;
    uint32_t height = from->texture != nullptr ? from->texture->height : parameters.BackBufferHeight;
    if (from->texture != nullptr && !(from->texture->usage & D3DUSAGE_RENDERTARGET))
        return D3DERR_INVALIDCALL;
    if (to->texture->width != width || to->texture->height != height)
        return D3DERR_INVALIDCALL;
    if (!MakeCurrent())
        return D3DERR_DEVICELOST;
    GLint w = static_cast<GLint>(width), h = static_cast<GLint>(height);
    unsigned source = from->texture != nullptr ? from->texture->framebuffer : backframebuffer;
    if (from->texture == nullptr && samples > 0) {
        gl->glBindFramebuffer(GL_READ_FRAMEBUFFER, backframebuffer);
        gl->glBindFramebuffer(GL_DRAW_FRAMEBUFFER, resolveframebuffer);
        gl->glDisable(GL_SCISSOR_TEST);
        gl->glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
        source = resolveframebuffer;
    }
    gl->glBindFramebuffer(GL_READ_FRAMEBUFFER, source);
    gl->glReadPixels(0, 0, w, h, GL_BGRA, GL_UNSIGNED_BYTE, to->texture->memory.data());
    BindTarget();
    ApplyScissor();
    return D3D_OK;
}

HRESULT qzGLDevice::CreateVertexBuffer(uint32_t length, uint32_t usage, uint32_t, D3DPOOL pool,
                                       qzRenderVertexBuffer** buffer) {
    if (buffer == nullptr)
        return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    if (length == 0 || pool == D3DPOOL_SYSTEMMEM)
        return D3DERR_INVALIDCALL;
    return Realized<qzGLVertexBuffer>(buffer, this, length, usage, pool);
}

HRESULT qzGLDevice::SetStreamSource(uint32_t index, qzRenderVertexBuffer* buffer, uint32_t offset,
                                    uint32_t stride) {
    if (index != 0)
        return D3DERR_INVALIDCALL;
    stream = static_cast<qzGLVertexBuffer*>(buffer);
    streamoffset = offset;
    streamstride = stride;
    return D3D_OK;
}

HRESULT qzGLDevice::SetFVF(uint32_t format) {
    fvf = format;
    return D3D_OK;
}

void qzGLDevice::SetAttributes(uint32_t offset, uint32_t stride) {
    auto pointer = [&](unsigned location, GLint size, GLenum type, bool normalised) {
        gl->glEnableVertexAttribArray(location);
        gl->glVertexAttribPointer(location, size, type, normalised ? GL_TRUE : GL_FALSE,
                                  static_cast<GLsizei>(stride),
                                  reinterpret_cast<const void*>(uintptr_t(offset)));
    };
    auto constant = [&](unsigned location, float x, float y, float z, float w) {
        gl->glDisableVertexAttribArray(location);
        // The core-profile function table leaves out the constant attributes.
        context->functions()->glVertexAttrib4f(location, x, y, z, w);
    };
    if (fvf & D3DFVF_XYZRHW) {
        pointer(QZGL_POSITION, 4, GL_FLOAT, false);
        offset += 16;
    } else {
        pointer(QZGL_POSITION, 3, GL_FLOAT, false);
        offset += 12;
    }
    if (fvf & D3DFVF_NORMAL) {
        pointer(QZGL_NORMAL, 3, GL_FLOAT, false);
        offset += 12;
    } else {
        constant(QZGL_NORMAL, 0, 0, 0, 0);
    }
    // D3DCOLOR lies in memory as blue, green, red, alpha.
    if (fvf & D3DFVF_DIFFUSE) {
        pointer(QZGL_DIFFUSE, GL_BGRA, GL_UNSIGNED_BYTE, true);
        offset += 4;
    } else {
        constant(QZGL_DIFFUSE, 1, 1, 1, 1);
    }
    if (fvf & D3DFVF_SPECULAR) {
        pointer(QZGL_SPECULAR, GL_BGRA, GL_UNSIGNED_BYTE, true);
        offset += 4;
    } else {
        constant(QZGL_SPECULAR, 0, 0, 0, 0);
    }
    if (fvf & D3DFVF_TEX1)
        pointer(QZGL_TEXCOORD, 2, GL_FLOAT, false);
    else
        constant(QZGL_TEXCOORD, 0, 0, 0, 0);
}

void qzGLDevice::UploadTransforms(qzGLProgram& program) {
    QOpenGLShaderProgram& p = program.program;
    D3DMATRIX worldview = Multiply(state.world, state.view);
    p.setUniformValue(program.worldviewprojection, ColumnMatrix(Multiply(worldview, state.projection)));
    QMatrix4x4 world = ColumnMatrix(state.world);
    p.setUniformValue(program.world, world);
    p.setUniformValue(program.normalmatrix, world.normalMatrix());
    // The eye in world space, for the specular half vector.
    QMatrix4x4 view = ColumnMatrix(state.view);
    p.setUniformValue(program.camera, view.inverted().map(QVector3D(0, 0, 0)));
}

void qzGLDevice::UploadLights(qzGLProgram& program) {
    QOpenGLShaderProgram& p = program.program;
    p.setUniformValue(program.lighting, state.lighting);
    p.setUniformValue(program.specularenable, state.specular);
    p.setUniformValue(program.materialdiffuse, Color(state.material.Diffuse));
    p.setUniformValue(program.materialambient, Color(state.material.Ambient));
    p.setUniformValue(program.materialspecular, Color(state.material.Specular));
    p.setUniformValue(program.materialemissive, Color(state.material.Emissive));
    p.setUniformValue(program.materialpower, state.material.Power);
    // an integer vector: QOpenGLShaderProgram has no four-int setter, and the float one is refused
    gl->glUniform4i(program.sources, static_cast<GLint>(state.sources[0]),
                    static_cast<GLint>(state.sources[1]), static_cast<GLint>(state.sources[2]),
                    static_cast<GLint>(state.sources[3]));
    QVector3D towards[QZGL_MAXLIGHTS];
    QVector4D diffuse[QZGL_MAXLIGHTS], specular[QZGL_MAXLIGHTS];
    QVector3D ambient = Color(state.ambient).toVector3D();
    int count = 0;
    for (const auto& [index, enabled] : state.enabled) {
        auto found = state.lights.find(index);
        if (!enabled || found == state.lights.end() || count == QZGL_MAXLIGHTS)
            continue;
        const D3DLIGHT9& light = found->second;
        if (light.Type != D3DLIGHT_DIRECTIONAL)
            continue; // the program lights its scenes with directional lights only
        // a light without a direction lights nothing but its ambient share
        towards[count] = -QVector3D(light.Direction.x, light.Direction.y, light.Direction.z).normalized();
        diffuse[count] = Color(light.Diffuse);
        specular[count] = Color(light.Specular);
        ambient += Color(light.Ambient).toVector3D();
        ++count;
    }
    p.setUniformValue(program.lightcount, count);
    p.setUniformValue(program.ambientlight, ambient);
    p.setUniformValueArray(program.lightvector, towards, QZGL_MAXLIGHTS);
    p.setUniformValueArray(program.lightdiffuse, diffuse, QZGL_MAXLIGHTS);
    p.setUniformValueArray(program.lightspecular, specular, QZGL_MAXLIGHTS);
}

qzGLVariant qzGLDevice::PixelVariant(const GLint hastexture[QZGL_STAGES]) const {
    const Stage& first = state.stages[0];
    // Lit with a black specular material, the specular sum adds nothing.
    const D3DCOLORVALUE& s = state.material.Specular;
    const bool blackspecular =
        state.lighting && state.sources[2] == D3DMCS_MATERIAL && s.r <= 0 && s.g <= 0 && s.b <= 0;
    if (state.specular && !blackspecular)
        return qzGLVariant::General;
    if (first.colorop == D3DTOP_DISABLE)
        return qzGLVariant::Color;
    const bool secondonly = first.colorop == D3DTOP_SELECTARG1 && first.colorarg1 == D3DTA_SPECULAR &&
                            first.alphaop == D3DTOP_SELECTARG1 && first.alphaarg1 == D3DTA_SPECULAR;
    if (secondonly && !state.lighting && state.stages[1].colorop == D3DTOP_DISABLE)
        return qzGLVariant::SecondColor;
    // in the first stage the current colour is the vertex colour
    auto modulates = [](uint32_t operation, uint32_t a, uint32_t b) {
        auto vertex = [](uint32_t argument) {
            return argument == D3DTA_DIFFUSE || argument == D3DTA_CURRENT;
        };
        return operation == D3DTOP_MODULATE &&
               ((a == D3DTA_TEXTURE && vertex(b)) || (vertex(a) && b == D3DTA_TEXTURE));
    };
    if (hastexture[0] && state.stages[1].colorop == D3DTOP_DISABLE &&
        modulates(first.colorop, first.colorarg1, first.colorarg2) &&
        modulates(first.alphaop, first.alphaarg1, first.alphaarg2))
        return qzGLVariant::Modulate;
    return qzGLVariant::General;
}

bool qzGLDevice::PrepareDraw(D3DPRIMITIVETYPE type) {
    if (!MakeCurrent())
        return false;
    GLint colorop[QZGL_STAGES], alphaop[QZGL_STAGES], hastexture[QZGL_STAGES];
    GLint colorarg[QZGL_STAGES * 2], alphaarg[QZGL_STAGES * 2];
    for (int i = 0; i < QZGL_STAGES; ++i) {
        Stage& stage = state.stages[i];
        colorop[i] = static_cast<GLint>(stage.colorop);
        alphaop[i] = static_cast<GLint>(stage.alphaop);
        colorarg[i * 2] = static_cast<GLint>(stage.colorarg1);
        colorarg[i * 2 + 1] = static_cast<GLint>(stage.colorarg2);
        alphaarg[i * 2] = static_cast<GLint>(stage.alphaarg1);
        alphaarg[i * 2 + 1] = static_cast<GLint>(stage.alphaarg2);
        hastexture[i] = stage.texture != nullptr && stage.texture->name != 0;
        gl->glActiveTexture(GL_TEXTURE0 + i);
        if (hastexture[i]) {
            stage.texture->UpdateMipmaps();
            gl->glBindTexture(GL_TEXTURE_2D, stage.texture->name);
        } else {
            gl->glBindTexture(GL_TEXTURE_2D, 0);
        }
        if (stage.samplerdirty) {
            gl->glSamplerParameteri(stage.sampler, GL_TEXTURE_MIN_FILTER,
                                    MinFilter(stage.minfilter, stage.mipfilter));
            gl->glSamplerParameteri(stage.sampler, GL_TEXTURE_MAG_FILTER,
                                    stage.magfilter == D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST);
            gl->glSamplerParameteri(stage.sampler, GL_TEXTURE_WRAP_S, AddressMode(stage.addressu));
            gl->glSamplerParameteri(stage.sampler, GL_TEXTURE_WRAP_T, AddressMode(stage.addressv));
            gl->glBindSampler(static_cast<GLuint>(i), stage.sampler);
            stage.samplerdirty = false;
        }
    }
    qzGLProgram* built = Program(PixelVariant(hastexture));
    if (built == nullptr)
        return false;
    qzGLProgram& program = *built;
    program.Bind();
    QOpenGLShaderProgram& p = program.program;
    p.setUniformValue(program.pretransformed, (fvf & D3DFVF_XYZRHW) != 0);
    // the end points that complete lines are single pixels
    p.setUniformValue(program.pointsize, type == D3DPT_POINTLIST ? state.pointsize : 1.0f);
    if (program.viewportdirty) {
        const D3DVIEWPORT9& v = state.viewport;
        p.setUniformValue(program.viewport,
                          QVector4D(v.X, v.Y, std::max(1u, v.Width), std::max(1u, v.Height)));
    }
    if (program.transformsdirty)
        UploadTransforms(program);
    if (program.lightsdirty)
        UploadLights(program);
    if (program.stagesdirty) {
        p.setUniformValueArray(program.colorop, colorop, QZGL_STAGES);
        p.setUniformValueArray(program.alphaop, alphaop, QZGL_STAGES);
        p.setUniformValueArray(program.colorarg, colorarg, QZGL_STAGES * 2);
        p.setUniformValueArray(program.alphaarg, alphaarg, QZGL_STAGES * 2);
    }
    program.viewportdirty = program.transformsdirty = program.lightsdirty = program.stagesdirty = false;
    p.setUniformValueArray(program.hastexture, hastexture, QZGL_STAGES);
    return true;
}

bool qzGLDevice::StreamHolds(uint64_t count) const {
    return streamoffset <= stream->length && count <= (stream->length - streamoffset) / streamstride;
}

HRESULT qzGLDevice::DrawPrimitive(D3DPRIMITIVETYPE type, uint32_t startvertex, uint32_t primitivecount) {
    uint32_t count = qzVertexCountOf(type, primitivecount);
    if (stream == nullptr || streamstride == 0 || count == 0)
        return D3DERR_INVALIDCALL;
    if (!StreamHolds(static_cast<uint64_t>(startvertex) + count))
        return D3DERR_INVALIDCALL;
    if (!PrepareDraw(type) || stream->name == 0)
        return D3D_OK;
    gl->glBindBuffer(GL_ARRAY_BUFFER, stream->name);
    SetAttributes(streamoffset, streamstride);
    gl->glDrawArrays(Mode(type), static_cast<GLint>(startvertex), static_cast<GLsizei>(count));
    if (type == D3DPT_LINELIST || type == D3DPT_LINESTRIP) {
        // GL's lines may leave out either end pixel; Direct3D draws the first of every segment and the
        // last unless told not to. The ends are drawn as points.
        bool strip = type == D3DPT_LINESTRIP;
        if (state.lastpixel || strip) {
            gl->glDrawArrays(GL_POINTS, static_cast<GLint>(startvertex),
                             static_cast<GLsizei>(state.lastpixel ? count : count - 1));
        } else {
            SetAttributes(streamoffset + startvertex * streamstride, streamstride * 2);
            gl->glDrawArrays(GL_POINTS, 0, static_cast<GLsizei>(primitivecount));
        }
    }
    if (target != nullptr)
        target->mipmapsstale = true;
    ++api->drawcalls;
    api->vertices += count;
    return D3D_OK;
}

HRESULT qzGLDevice::CreateIndexBuffer(uint32_t length, uint32_t usage, D3DFORMAT format, D3DPOOL pool,
                                      qzRenderIndexBuffer** buffer) {
    if (buffer == nullptr)
        return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    if (length == 0 || pool == D3DPOOL_SYSTEMMEM || (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32))
        return D3DERR_INVALIDCALL;
    return Realized<qzGLIndexBuffer>(buffer, this, length, usage, format, pool);
}

HRESULT qzGLDevice::SetIndices(qzRenderIndexBuffer* buffer) {
    indices = static_cast<qzGLIndexBuffer*>(buffer);
    return D3D_OK;
}

HRESULT qzGLDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, int32_t basevertexindex,
                                         uint32_t minvertexindex, uint32_t numvertices, uint32_t startindex,
                                         uint32_t primitivecount) {
    uint32_t count = qzVertexCountOf(type, primitivecount);
    if (stream == nullptr || streamstride == 0 || indices == nullptr || indices->locked || count == 0 ||
        numvertices == 0)
        return D3DERR_INVALIDCALL;
    // The indices read and the vertices they may pick lie inside their buffers.
    const uint32_t indexsize = indices->IndexSize();
    int64_t firstvertex = static_cast<int64_t>(basevertexindex) + minvertexindex;
    if ((static_cast<uint64_t>(startindex) + count) * indexsize > indices->length || firstvertex < 0 ||
        !StreamHolds(static_cast<uint64_t>(firstvertex) + numvertices))
        return D3DERR_INVALIDCALL;
    if (!MakeCurrent() || stream->name == 0 || indices->name == 0)
        return D3D_OK;
    // GL would fetch whatever an index names, so every index is held to the vertices the draw names.
    uint32_t lowest = 0, highest = 0;
    if (!indices->IndexRange(startindex, count, lowest, highest) || lowest < minvertexindex ||
        highest - minvertexindex >= numvertices)
        return D3DERR_INVALIDCALL;
    if (!PrepareDraw(type))
        return D3D_OK;
    gl->glBindBuffer(GL_ARRAY_BUFFER, stream->name);
    SetAttributes(streamoffset, streamstride);
    gl->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indices->name);
    const GLenum indextype = indexsize == 2 ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT;
    auto at = [&](uint64_t index) { return reinterpret_cast<const void*>(uintptr_t(index * indexsize)); };
    gl->glDrawElementsBaseVertex(Mode(type), static_cast<GLsizei>(count), indextype, at(startindex),
                                 basevertexindex);
    if (type == D3DPT_LINELIST || type == D3DPT_LINESTRIP) {
        // The end pixels of the lines, as DrawPrimitive draws them.
        if (state.lastpixel || type == D3DPT_LINESTRIP) {
            gl->glDrawElementsBaseVertex(GL_POINTS, static_cast<GLsizei>(state.lastpixel ? count : count - 1),
                                         indextype, at(startindex), basevertexindex);
        } else {
            // the first index of every segment, one point each
            std::vector<GLsizei> ones(primitivecount, 1);
            std::vector<const void*> firsts(primitivecount);
            std::vector<GLint> bases(primitivecount, basevertexindex);
            for (uint32_t i = 0; i < primitivecount; ++i)
                firsts[i] = at(startindex + 2 * static_cast<uint64_t>(i));
            gl->glMultiDrawElementsBaseVertex(GL_POINTS, ones.data(), indextype, firsts.data(),
                                              static_cast<GLsizei>(primitivecount), bases.data());
        }
    }
    if (target != nullptr)
        target->mipmapsstale = true;
    ++api->drawcalls;
    api->vertices += count;
    return D3D_OK;
}

HRESULT qzGLDevice::CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
                                  D3DFORMAT format, D3DPOOL pool, qzRenderTexture** texture) {
    if (texture == nullptr)
        return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (format != D3DFMT_A8R8G8B8 && format != D3DFMT_X8R8G8B8)
        return D3DERR_WRONGTEXTUREFORMAT;
    if (width == 0 || height == 0 || ((usage & D3DUSAGE_RENDERTARGET) && pool != D3DPOOL_DEFAULT))
        return D3DERR_INVALIDCALL;
    GLint maxsize = 0;
    if (MakeCurrent())
        gl->glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxsize);
    if (width > static_cast<uint32_t>(maxsize) || height > static_cast<uint32_t>(maxsize))
        return D3DERR_INVALIDCALL;
    return Realized<qzGLTexture>(texture, this, width, height, levels, usage, pool);
}

HRESULT qzGLDevice::SetTexture(uint32_t index, qzRenderTexture* texture) {
    if (index >= QZGL_STAGES)
        return index < 8 && texture == nullptr ? D3D_OK : D3DERR_INVALIDCALL;
    auto* chosen = static_cast<qzGLTexture*>(texture);
    if (chosen != nullptr && chosen->pool == D3DPOOL_SYSTEMMEM)
        return D3DERR_INVALIDCALL;
    state.stages[index].texture = chosen;
    return D3D_OK;
}

HRESULT qzGLDevice::SetLight(uint32_t index, const D3DLIGHT9* light) {
    if (light == nullptr)
        return D3DERR_INVALIDCALL;
    state.lights[index] = *light;
    MarkDirty(&qzGLProgram::lightsdirty);
    return D3D_OK;
}

HRESULT qzGLDevice::LightEnable(uint32_t index, bool enable) {
    // Enabling a light never set gives it Direct3D's default: white, shining along +z.
    if (enable && state.lights.find(index) == state.lights.end()) {
        D3DLIGHT9 light;
        light.Type = D3DLIGHT_DIRECTIONAL;
        light.Diffuse = {1, 1, 1, 0};
        light.Direction = {0, 0, 1};
        state.lights[index] = light;
    }
    state.enabled[index] = enable;
    MarkDirty(&qzGLProgram::lightsdirty);
    return D3D_OK;
}

void qzGLDevice::Adopt(qzGLBuffer* buffer) {
    buffer->next = buffers;
    buffers = buffer;
    AddRef();
}

void qzGLDevice::Adopt(qzGLTexture* texture) {
    texture->next = textures;
    textures = texture;
    AddRef();
}

void qzGLDevice::Forget(qzGLVertexBuffer* buffer) {
    if (stream == buffer)
        stream = nullptr;
    Unlink(buffer);
}

void qzGLDevice::Forget(qzGLIndexBuffer* buffer) {
    if (indices == buffer)
        indices = nullptr;
    Unlink(buffer);
}

void qzGLDevice::Unlink(qzGLBuffer* buffer) {
    for (qzGLBuffer** link = &buffers; *link != nullptr; link = &(*link)->next) {
        if (*link == buffer) {
            *link = buffer->next;
            break;
        }
    }
    buffer->Delete();
    Release();
}

void qzGLDevice::Forget(qzGLTexture* texture) {
    for (qzGLTexture** link = &textures; *link != nullptr; link = &(*link)->next) {
        if (*link == texture) {
            *link = texture->next;
            break;
        }
    }
    for (Stage& stage : state.stages)
        if (stage.texture == texture)
            stage.texture = nullptr;
    if (target == texture) {
        target = nullptr;
        if (MakeCurrent())
            BindTarget();
    }
    if (MakeCurrent()) {
        gl->glDeleteTextures(1, &texture->name);
        gl->glDeleteFramebuffers(1, &texture->framebuffer);
        gl->glDeleteRenderbuffers(1, &texture->depth);
    }
    Release();
}
