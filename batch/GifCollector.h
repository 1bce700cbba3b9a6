// The process-wide builder of the showcase GIF. The pre-pass tells it which pictures of the
// list have a frame; the workers hand in their finished pictures in whatever order they
// complete; the animation is written with the frames in list order, leaving out the frames
// whose picture failed after the pre-pass.
#pragma once

#include <QString>
#include <map>
#include <mutex>
#include <vector>

#include "EngineObjects.h"

class GifCollector {
 public:
  static GifCollector& Instance();

  // Forgets every frame; the pictures at these list positions each get one frame.
  void Reset(const std::vector<int>& frameIndexes);
  // Reduces the picture to the engine's standard palette with the showcase's delay and keeps
  // it as the frame of list position `index`. False (the picture released) when that
  // position has no frame or its frame is already filled.
  bool AddFrame(int index, ImageOwner picture);
  int FrameCount() const;
  int FilledCount() const;
  // Writes the filled frames, in list order, as a looping GIF. False with the reason when
  // no frame was filled or the engine could not write the file.
  bool SaveAnimation(const QString& path, QString* error = nullptr);
  void ReleaseAnimation();

 private:
  GifCollector() = default;
  mutable std::mutex lock_;
  std::map<int, ImageOwner> frames_;  // list position -> frame (empty until filled)
};
