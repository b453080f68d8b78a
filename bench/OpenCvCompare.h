#pragma once
// The reference library's time for the same operations on the same frames, beside Karvo's.
// Built only where CMake finds OpenCV (KV_HAVE_OPENCV).
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "imaging/PixelTypes.h"

namespace kvbench {

//! Karvo's median seconds per step name: on one thread, on all cores.
using StepTimes = std::map<std::string, std::pair<double, double>>;

//! A table of OpenCV's medians for Karvo's steps on the same frame, and Karvo's time over OpenCV's.
std::string CompareWithOpenCv(const std::string& title, const std::vector<RGBX>& frame, CSize size,
                              const StepTimes& karvo, int runs, int cores);

}  // namespace kvbench
