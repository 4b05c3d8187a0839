#pragma once
// The transition classes by WP_ number, registered with the scene's factory (CreateWipe) by
// one explicit call: the shell's at start-up, a test's in its set-up.

namespace orva {

class TMaskImages;

// Registers every transition class built so far. images (not owned) is where the mask-image
// transitions read their mask images; it must outlive the registration, or be replaced by
// registering again (none: they run without mask images).
void RegisterWipeClasses(TMaskImages* images);

}  // namespace orva
