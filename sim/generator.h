#pragma once
// Seeded generators of target images in the text format of Image::Parse.

#include <cstdint>
#include <string>

namespace nvmsim {

// `groups` groups (named fix_/cal_/dyn_/hyb_ in turn) of `paramsPerGroup`
// parameters each, every kind of parameter mixed in; the same seed gives
// the same text.
std::string GenerateScaleImage(int groups, int paramsPerGroup, uint32_t seed);

// The repository's images: sim/images/default.img (the RF group set of
// cal_t8x_lut, fix_t8x_lut and fix_t8x_lut_setcal) and sim/images/rf_t71.img
// (the six-group RF set with the _aux groups). `suffixed` switches the
// dump naming to dimension-suffixed names.
std::string GenerateDefaultImage(bool suffixed = false);
std::string GenerateRfT71Image();

}  // namespace nvmsim
