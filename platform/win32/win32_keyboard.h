// The keyboard layout that the system gives the calling thread now (the one the user has chosen),
// for comparing the line's keys with the simulator's (core/simulator_keys.h).
#pragma once

#include "core/simulator_keys.h"

namespace vkm {

class Win32KeyboardLayout : public KeyboardLayout {
  public:
    // MapVirtualKeyExW(MAPVK_VSC_TO_VK_EX) in the thread's active layout.
    unsigned char VirtualKey(unsigned scan) const override;
    // The layout's name as the system shows it ("Česká", "US"), else its identifier ("00000405").
    std::string Name() const override;
};

}  // namespace vkm
