// The save files of a fresh install, written only where none exist yet.
#pragma once

#include <string>

namespace brakkon::bake {

// Creates saveDir/options (windowed, music and sound on, no country, the default
// table's check string) and saveDir/hs (the default table) when each is missing;
// an existing file is never touched.
void WriteDefaultSaves(const std::string& saveDir);

}  // namespace brakkon::bake
