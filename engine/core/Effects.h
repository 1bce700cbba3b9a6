// Photo effects and the filters behind them. Each works on the image in place, raises
// indexed pictures to 24 bits first where it needs colours, and answers false (picture
// unchanged) for an empty image, absurd parameters or a failed allocation.
#pragma once

#include <cstdint>

#include "Image.h"

namespace zelvo::fx {

// Uniform luminance noise of +-level on every pixel (reproducible: fixed seed).
bool noise(Image& img, int32_t level);
// Each pixel takes a random neighbour within `radius` (a scattered, painted look).
bool splash(Image& img, int32_t radius);
// Adds the shifts to red, green and blue (indexed pictures: to the palette).
bool colorShift(Image& img, int32_t red, int32_t green, int32_t blue);
// Luminance into all three channels (indexed pictures: the palette).
bool grayScale(Image& img);
// Duotone: black stays black, mid grey becomes the tone colour (red, green, blue 0..255),
// white stays white. `keepColor` mixes the result half and half with the original.
bool toneAdjust(Image& img, int32_t red, int32_t green, int32_t blue, bool keepColor);
// A tone whose hue in degrees is `value` (23 is sepia); 0 does nothing.
bool tonePreset(Image& img, int32_t value);
// Brightness -255..255 added; contrast -100..100 percent around mid grey.
bool brightnessContrast(Image& img, int32_t brightness, int32_t contrast);
// out = 255 * (in / 255) ^ (1 / gamma); gamma must be finite and above 0.
bool gamma(Image& img, float gamma);
// Channels above the threshold are inverted.
bool solarize(Image& img, uint8_t threshold);
// 3 x 3 convolution, kernel row by row from the top; sum / divisor + offset. A divisor of 0
// means the kernel's sum (1 when that is 0). Only size 3 exists (nine values).
bool customFilter(Image& img, const int32_t kernel[9], int32_t size, int32_t divisor,
                  int32_t offset);
// Gaussian blur; the radius is the reach of the kernel in pixels (sigma = radius / 2).
bool gaussianBlur(Image& img, float radius);
bool negative(Image& img);
// Pencil drawing: grey picture dodged with its blurred negative.
bool sketch(Image& img);
// 0 sepia, 1 cool, 2 warm, 3 faded; other values fail.
bool colorStyle(Image& img, int32_t style);
// Keeps `bits` (1..8) bits of every channel.
bool posterize(Image& img, int32_t bits);
// The picture screened with a blurred copy of itself: a soft, bright glow.
bool softGlow(Image& img);
// Turns the picture counter-clockwise by `angle` degrees about its centre. Method 2
// interpolates bilinearly, others take the nearest pixel. Overflow 3 (and any other code
// but 1 and 5) leaves uncovered corners transparent (the image gets an alpha plane), 1
// fills them with `fill` (white when null), 5 repeats the edge. Unless `keepSize`, the
// canvas grows to hold the whole turned picture; `rightAngles` turns multiples of 90
// exactly. Non-finite angles fail.
bool rotate(Image& img, float angle, int32_t method, int32_t overflow, const ZvRGBQuad* fill,
            bool rightAngles, bool keepSize);
// Makes everything outside the rounded rectangle (top-down, right/bottom exclusive, corner
// ellipse ew x eh) transparent; the curved edge is smoothed.
bool roundRectToAlpha(Image& img, ZvRect rect, int32_t ellipseW, int32_t ellipseH);
// Draws a soft shadow of `rect` (top-down), turned by `angle` like `rotate`, displaced by
// (dx, dy), into the image: `softness` is the blur reach in pixels, `color` 0x00BBGGRR,
// strength in tenths (10 = full) and the core opacity out of 256, corners rounded by
// `cornerPercent` of the rectangle's size. Only colours change, never the alpha plane.
bool drawShadow(Image& img, ZvRect rect, float angle, int32_t softness, uint32_t color,
                int32_t strengthTenths, int32_t opacity256, int32_t dx, int32_t dy,
                int32_t cornerPercent);

}  // namespace zelvo::fx
