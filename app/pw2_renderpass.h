// The states each kind of drawing relies on, set in full by the one function of its kind at its start, so
// that no draw depends on what the draw before it left behind. The frame sets what all of them share once
// (premultiplied blending, culling, the ambient light, the lights).
#pragma once

class qzDevice;

// 2D shapes of the interface in the screen queue: unlit, no depth, untextured, lines with their last pixel.
void pw2_BeginInterface(qzDevice& device);
// A texture drawn pixel for pixel in screen space: the first font's text, a view's picture in its bevel.
// Unlit, no depth, the texture of stage 0 modulating the vertex colour, point-sampled; the caller binds it.
void pw2_BeginTextured(qzDevice& device);
// The model's faces: lit, depth tested and written, untextured; coloured by their corners, or in the
// schematic mode by the selection (the vertices' second colour).
void pw2_BeginLitFaces(qzDevice& device, bool schematic);
// Lines in a view's scene (the grid, edges, the target cross, the axis indicator): unlit, untextured, with
// their last pixel; see-through edges take the vertices' second colour.
void pw2_BeginLines(qzDevice& device, bool depthtest, bool depthwrite, bool seethrough);
// The model's points as 3 x 3 pixel squares placed by the device: unlit, untextured; see-through points take
// the vertices' second colour.
void pw2_BeginPoints(qzDevice& device, bool depth, bool seethrough);
