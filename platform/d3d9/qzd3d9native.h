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

// The uuid specialisations mingw-w64 emits cannot live inside a namespace; nothing here needs __uuidof.
#undef __CRT_UUID_DECL
#define __CRT_UUID_DECL(type, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8)
namespace native {
#include <d3d9.h>
}

// The structures the engine and Direct3D share byte for byte.
static_assert(sizeof(D3DMATRIX) == sizeof(native::D3DMATRIX));
static_assert(sizeof(D3DMATERIAL9) == sizeof(native::D3DMATERIAL9));
static_assert(sizeof(D3DLIGHT9) == sizeof(native::D3DLIGHT9));
static_assert(sizeof(D3DVIEWPORT9) == sizeof(native::D3DVIEWPORT9));
static_assert(sizeof(D3DLOCKED_RECT) == sizeof(native::D3DLOCKED_RECT));
static_assert(sizeof(qzRect) == sizeof(RECT));
static_assert(sizeof(HRESULT) == sizeof(::HRESULT));

// The engine's parameters field by field: Windowed and the window handle differ in type.
native::D3DPRESENT_PARAMETERS qzToNative(const D3DPRESENT_PARAMETERS& parameters);
// Back again, for what Direct3D filled in (a zero size becomes the window's).
void qzFromNative(const native::D3DPRESENT_PARAMETERS& from, D3DPRESENT_PARAMETERS& parameters);
