#include "host/control_keys.h"

ControlKey ControlKeyFor(WPARAM key) {
    switch (key) {
    case VK_LEFT:
        return ControlKey::SeekBackwards;
    case VK_UP:
        return ControlKey::PreviousItem;
    case VK_RIGHT:
        return ControlKey::SeekForwards;
    case VK_DOWN:
        return ControlKey::NextItem;
    case VK_ADD:
    case VK_OEM_PLUS:
        return ControlKey::VolumeUp;
    case VK_SUBTRACT:
    case VK_OEM_MINUS:
        return ControlKey::VolumeDown;
    default:
        return ControlKey::None;
    }
}

bool IsSeekKey(WPARAM key) { return key == VK_LEFT || key == VK_RIGHT; }
