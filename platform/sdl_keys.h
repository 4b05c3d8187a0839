#pragma once
// The virtual-key codes of SDL's key codes: every key a game can name (Back, Tab, Return,
// Shift, Control, Alt, Pause, Caps Lock, Escape, Space, the paging and arrow keys, Insert,
// Delete, the digits, the letters, F1..F12), the number pad and the punctuation keys.

#include <cstdint>

namespace orva {

// 0 for a key without a virtual-key code.
int VirtualKeyOfSdlKey(int32_t sdlKeycode);

}  // namespace orva
