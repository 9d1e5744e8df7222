#pragma once
// The waterfall's part of a spectrum window's client image, from client row WATERFALL_TOP down, at
// the window's zoom. As pictures come the rows already drawn are scrolled down and only the new
// ones are drawn; the marker's column lies over them.

#include <QImage>
#include <QRect>
#include <cstdint>

#include "display/waterfall.h"

namespace keblor {

class WaterfallImage {
 public:
  // Brings the waterfall's area of `image` (an RGB32 image of the client area at `zoom`) up to
  // `waterfall`. The area that changed, in image pixels; empty when nothing did.
  QRect Update(QImage& image, int zoom, const Waterfall& waterfall);
  // The image was made anew or drawn over: the next update draws every row.
  void Forget() { drawn_ = false; }

 private:
  bool drawn_ = false;
  std::uint64_t serial_ = 0;  // the waterfall's serial when its rows were last drawn
  int marker_ = -1;           // the marker column drawn then
};

}  // namespace keblor
