// Direct3D 9's own declarations, in namespace native so they sit beside the engine's copies of the same
// names. This is the one place that includes <windows.h> and <d3d9.h>; the rest of the backend converts
// between the two sets here.
#pragma once

#include "qzrenderapi.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstddef>

// The uuid specialisations mingw-w64 emits cannot live inside a namespace; nothing here needs __uuidof.
#undef __CRT_UUID_DECL
#define __CRT_UUID_DECL(type, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8)
namespace native {
#include <d3d9.h>
}

// The engine's numbers are Direct3D's own, so every state and enumerator passes through unchanged.
constexpr bool qzSameNumber(uint32_t engine, uint32_t direct3d) {
    return engine == direct3d;
}
static_assert(qzSameNumber(D3DDEVTYPE_HAL, native::D3DDEVTYPE_HAL) &&
              qzSameNumber(D3DDEVTYPE_REF, native::D3DDEVTYPE_REF));
static_assert(qzSameNumber(D3DFMT_A8R8G8B8, native::D3DFMT_A8R8G8B8) &&
              qzSameNumber(D3DFMT_X8R8G8B8, native::D3DFMT_X8R8G8B8) &&
              qzSameNumber(D3DFMT_D16, native::D3DFMT_D16) &&
              qzSameNumber(D3DFMT_INDEX16, native::D3DFMT_INDEX16) &&
              qzSameNumber(D3DFMT_INDEX32, native::D3DFMT_INDEX32));
static_assert(qzSameNumber(D3DMULTISAMPLE_NONMASKABLE, native::D3DMULTISAMPLE_NONMASKABLE) &&
              qzSameNumber(D3DSWAPEFFECT_DISCARD, native::D3DSWAPEFFECT_DISCARD) &&
              qzSameNumber(D3DSWAPEFFECT_FLIP, native::D3DSWAPEFFECT_FLIP) &&
              qzSameNumber(D3DSWAPEFFECT_COPY, native::D3DSWAPEFFECT_COPY));
static_assert(qzSameNumber(D3DRS_ZENABLE, native::D3DRS_ZENABLE) &&
              qzSameNumber(D3DRS_ZWRITEENABLE, native::D3DRS_ZWRITEENABLE) &&
              qzSameNumber(D3DRS_LASTPIXEL, native::D3DRS_LASTPIXEL) &&
              qzSameNumber(D3DRS_SRCBLEND, native::D3DRS_SRCBLEND) &&
              qzSameNumber(D3DRS_DESTBLEND, native::D3DRS_DESTBLEND) &&
              qzSameNumber(D3DRS_CULLMODE, native::D3DRS_CULLMODE) &&
              qzSameNumber(D3DRS_ALPHABLENDENABLE, native::D3DRS_ALPHABLENDENABLE) &&
              qzSameNumber(D3DRS_SPECULARENABLE, native::D3DRS_SPECULARENABLE) &&
              qzSameNumber(D3DRS_LIGHTING, native::D3DRS_LIGHTING) &&
              qzSameNumber(D3DRS_AMBIENT, native::D3DRS_AMBIENT) &&
              qzSameNumber(D3DRS_DIFFUSEMATERIALSOURCE, native::D3DRS_DIFFUSEMATERIALSOURCE) &&
              qzSameNumber(D3DRS_SPECULARMATERIALSOURCE, native::D3DRS_SPECULARMATERIALSOURCE) &&
              qzSameNumber(D3DRS_AMBIENTMATERIALSOURCE, native::D3DRS_AMBIENTMATERIALSOURCE) &&
              qzSameNumber(D3DRS_EMISSIVEMATERIALSOURCE, native::D3DRS_EMISSIVEMATERIALSOURCE) &&
              qzSameNumber(D3DRS_POINTSIZE, native::D3DRS_POINTSIZE) &&
              qzSameNumber(D3DRS_BLENDOP, native::D3DRS_BLENDOP) &&
              qzSameNumber(D3DRS_SCISSORTESTENABLE, native::D3DRS_SCISSORTESTENABLE));
static_assert(qzSameNumber(D3DZB_TRUE, native::D3DZB_TRUE) &&
              qzSameNumber(D3DBLENDOP_ADD, native::D3DBLENDOP_ADD) &&
              qzSameNumber(D3DBLENDOP_REVSUBTRACT, native::D3DBLENDOP_REVSUBTRACT) &&
              qzSameNumber(D3DBLENDOP_MAX, native::D3DBLENDOP_MAX) &&
              qzSameNumber(D3DBLEND_ZERO, native::D3DBLEND_ZERO) &&
              qzSameNumber(D3DBLEND_INVDESTCOLOR, native::D3DBLEND_INVDESTCOLOR) &&
              qzSameNumber(D3DCULL_NONE, native::D3DCULL_NONE) &&
              qzSameNumber(D3DCULL_CW, native::D3DCULL_CW) &&
              qzSameNumber(D3DCULL_CCW, native::D3DCULL_CCW) &&
              qzSameNumber(D3DMCS_MATERIAL, native::D3DMCS_MATERIAL) &&
              qzSameNumber(D3DMCS_COLOR2, native::D3DMCS_COLOR2));
static_assert(qzSameNumber(D3DTS_VIEW, native::D3DTS_VIEW) &&
              qzSameNumber(D3DTS_PROJECTION, native::D3DTS_PROJECTION));
static_assert(qzSameNumber(D3DTSS_COLOROP, native::D3DTSS_COLOROP) &&
              qzSameNumber(D3DTSS_COLORARG1, native::D3DTSS_COLORARG1) &&
              qzSameNumber(D3DTSS_COLORARG2, native::D3DTSS_COLORARG2) &&
              qzSameNumber(D3DTSS_ALPHAOP, native::D3DTSS_ALPHAOP) &&
              qzSameNumber(D3DTSS_ALPHAARG1, native::D3DTSS_ALPHAARG1) &&
              qzSameNumber(D3DTSS_ALPHAARG2, native::D3DTSS_ALPHAARG2) &&
              qzSameNumber(D3DTSS_RESULTARG, native::D3DTSS_RESULTARG) &&
              qzSameNumber(D3DTOP_DISABLE, native::D3DTOP_DISABLE) &&
              qzSameNumber(D3DTOP_SELECTARG1, native::D3DTOP_SELECTARG1) &&
              qzSameNumber(D3DTOP_SELECTARG2, native::D3DTOP_SELECTARG2) &&
              qzSameNumber(D3DTOP_MODULATE, native::D3DTOP_MODULATE));
static_assert(qzSameNumber(D3DSAMP_ADDRESSU, native::D3DSAMP_ADDRESSU) &&
              qzSameNumber(D3DSAMP_ADDRESSV, native::D3DSAMP_ADDRESSV) &&
              qzSameNumber(D3DSAMP_MAGFILTER, native::D3DSAMP_MAGFILTER) &&
              qzSameNumber(D3DSAMP_MINFILTER, native::D3DSAMP_MINFILTER) &&
              qzSameNumber(D3DSAMP_MIPFILTER, native::D3DSAMP_MIPFILTER) &&
              qzSameNumber(D3DTEXF_POINT, native::D3DTEXF_POINT) &&
              qzSameNumber(D3DTEXF_LINEAR, native::D3DTEXF_LINEAR));
static_assert(qzSameNumber(D3DPT_POINTLIST, native::D3DPT_POINTLIST) &&
              qzSameNumber(D3DPT_LINELIST, native::D3DPT_LINELIST) &&
              qzSameNumber(D3DPT_LINESTRIP, native::D3DPT_LINESTRIP) &&
              qzSameNumber(D3DPT_TRIANGLELIST, native::D3DPT_TRIANGLELIST) &&
              qzSameNumber(D3DPT_TRIANGLESTRIP, native::D3DPT_TRIANGLESTRIP) &&
              qzSameNumber(D3DPT_TRIANGLEFAN, native::D3DPT_TRIANGLEFAN));
static_assert(qzSameNumber(D3DPOOL_DEFAULT, native::D3DPOOL_DEFAULT) &&
              qzSameNumber(D3DPOOL_MANAGED, native::D3DPOOL_MANAGED) &&
              qzSameNumber(D3DPOOL_SYSTEMMEM, native::D3DPOOL_SYSTEMMEM) &&
              qzSameNumber(D3DBACKBUFFER_TYPE_MONO, native::D3DBACKBUFFER_TYPE_MONO) &&
              qzSameNumber(D3DLIGHT_POINT, native::D3DLIGHT_POINT) &&
              qzSameNumber(D3DLIGHT_SPOT, native::D3DLIGHT_SPOT) &&
              qzSameNumber(D3DLIGHT_DIRECTIONAL, native::D3DLIGHT_DIRECTIONAL));

// The structures the engine and Direct3D share byte for byte, handed over by reinterpreting them.
static_assert(sizeof(D3DMATRIX) == sizeof(native::D3DMATRIX));
static_assert(sizeof(D3DMATERIAL9) == sizeof(native::D3DMATERIAL9) &&
              offsetof(D3DMATERIAL9, Ambient) == offsetof(native::D3DMATERIAL9, Ambient) &&
              offsetof(D3DMATERIAL9, Emissive) == offsetof(native::D3DMATERIAL9, Emissive) &&
              offsetof(D3DMATERIAL9, Power) == offsetof(native::D3DMATERIAL9, Power));
static_assert(sizeof(D3DLIGHT9) == sizeof(native::D3DLIGHT9) &&
              offsetof(D3DLIGHT9, Diffuse) == offsetof(native::D3DLIGHT9, Diffuse) &&
              offsetof(D3DLIGHT9, Ambient) == offsetof(native::D3DLIGHT9, Ambient) &&
              offsetof(D3DLIGHT9, Direction) == offsetof(native::D3DLIGHT9, Direction) &&
              offsetof(D3DLIGHT9, Range) == offsetof(native::D3DLIGHT9, Range) &&
              offsetof(D3DLIGHT9, Phi) == offsetof(native::D3DLIGHT9, Phi));
static_assert(sizeof(D3DVIEWPORT9) == sizeof(native::D3DVIEWPORT9) &&
              offsetof(D3DVIEWPORT9, Height) == offsetof(native::D3DVIEWPORT9, Height) &&
              offsetof(D3DVIEWPORT9, MinZ) == offsetof(native::D3DVIEWPORT9, MinZ));
static_assert(sizeof(D3DLOCKED_RECT) == sizeof(native::D3DLOCKED_RECT) &&
              offsetof(D3DLOCKED_RECT, pBits) == offsetof(native::D3DLOCKED_RECT, pBits));
static_assert(sizeof(qzRect) == sizeof(RECT) && offsetof(qzRect, top) == offsetof(RECT, top) &&
              offsetof(qzRect, bottom) == offsetof(RECT, bottom));
static_assert(sizeof(HRESULT) == sizeof(::HRESULT));

// The engine's parameters field by field: Windowed and the window handle differ in type.
native::D3DPRESENT_PARAMETERS qzToNative(const D3DPRESENT_PARAMETERS& parameters);
// Back again, for what Direct3D filled in (a zero size becomes the window's).
void qzFromNative(const native::D3DPRESENT_PARAMETERS& from, D3DPRESENT_PARAMETERS& parameters);
