// The two tunes of the game, composed and orchestrated with synthesized instruments.
#pragma once

#include "xm_writer.h"

namespace brakkon::bake {

// Menu theme: 6 channels, 120 BPM, speed 6, a soft intro at order 0.
XmModule MakeMenuTune();
// Race theme: 8 channels, 150 BPM, speed 5, full energy from order 0.
XmModule MakeRaceTune();

}  // namespace brakkon::bake
