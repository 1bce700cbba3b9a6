// The showcase pre-pass: reads every picture of the list once (a JPEG by its header only) to
// fix the GIF canvas (the largest fitted width and height) and the pictures that get a
// frame, stores them in the settings (nGIFWidth, nGIFHeight, nGIFFrameCount) and resets the
// GIF collector.
#pragma once

#include <QSize>
#include <vector>

#include "PictureItem.h"

class CSetMgr;

// The size limit of the canvas: the slimming width when slimming is on, else 500.
int32_t ShowcaseLimit(const CSetMgr& settings);
// A w x h picture fitted into the limit c along its longer side (signed, truncating).
QSize ShowcaseFit(int32_t width, int32_t height, int32_t limit);

void ShowcasePrePass(const std::vector<PictureItem>& items);
