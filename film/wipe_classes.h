#pragma once
// The transition classes by WP_ number, registered with the scene's factory (CreateWipe) by
// one explicit call: the shell's at start-up, a test's in its set-up.

namespace orva {

// Registers every transition class built so far.
void RegisterWipeClasses();

}  // namespace orva
