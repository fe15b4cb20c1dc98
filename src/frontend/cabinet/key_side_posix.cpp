#include "frontend/cabinet/input_map.h"

// X11 and Wayland hand Qt the key's keysym as its native virtual key.
int KeySide(std::uint32_t native_virtual_key, std::uint32_t /*native_scan_code*/) {
  switch (native_virtual_key) {
    case 0xFFE1:  // Shift_L
    case 0xFFE3:  // Control_L
    case 0xFFE9:  // Alt_L
      return 1;
    case 0xFFE2:  // Shift_R
    case 0xFFE4:  // Control_R
    case 0xFFEA:  // Alt_R
    case 0xFE03:  // ISO_Level3_Shift, what many layouts make of the right Alt
      return 2;
    default:
      return 0;
  }
}
