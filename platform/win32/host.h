// The system the program runs on, Windows or Wine, and how its process ends when a thread of it
// may be held inside a driver: the program's one probe for Wine, and its one way to end at once.
#pragma once

#include <windows.h>

namespace vkm {

// True when the program runs under Wine.
bool RunningUnderWine();

// Ends the process at once with code, for a thread of it that may be held inside a driver or the
// system (a sound device that stopped answering). Its threads are not ended one by one, as
// ExitProcess and TerminateProcess both do: under Wine a thread of a PulseAudio driver that waits
// on a frozen sound server then runs its wait's clean-up on a stack Wine has already reused, and
// the process crashes. Under Wine on Linux the kernel's exit_group ends every thread at once, none
// running anything (Windows programs that wait for this one then see exit code 1; Linux sees
// code); elsewhere TerminateProcess, which skips the DLLs' detach. The caller has nothing left to
// do: the window has gone, the sound is silent, the keys are free, and the program writes nothing.
[[noreturn]] void EndProcessAtOnce(UINT code);

}  // namespace vkm
