// What the program asks of the operating system, each behind a small interface. The file
// system the logic reads through is core's (core/file_system.h); the platform implements it.
//
// Paths and text shown to the user are UTF-8 (see core/codepage.h).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/byte_source.h"
#include "core/cue.h"
#include "core/file_system.h"
#include "core/path.h"
#include "core/simulator_keys.h"

namespace vkm {

class SoundPlayer {
  public:
    // Names one announcement handed to Play; 0 is none.
    using Ticket = std::uint64_t;

    // How long Shutdown may take on the caller's thread, whatever the sound driver does.
    static constexpr unsigned kShutdownDeadlineMs = 250;

    virtual ~SoundPlayer() = default;
    // Queues one announcement and returns at once with its ticket: its WAV files (one or more)
    // play as one continuous stream after the announcements queued before it. A file that is
    // missing or cannot be played sounds the system's default sound in its place. prepared: the
    // ticket PrepareNext gave these fragments, when they are what it was given; the announcement
    // made ready then plays under that ticket, its device only started. Without it, or with a
    // ticket made ready no more, they play all the same, only not sooner.
    virtual Ticket Play(const std::vector<Path>& fragments, Ticket prepared = 0) = 0;
    // The announcement that the next press will most likely play (empty: none known), and the
    // ticket it will play under (0 for none). The player gets ready for it on its own thread and
    // returns at once: the sound system connected, its files opened and its first sound decoded,
    // so that a Play naming the ticket only has to start the device. It replaces the one made
    // ready before. Called when a line is started and after every move in it.
    virtual Ticket PrepareNext(const std::vector<Path>& fragments) = 0;
    // Silences the announcement if it plays, or drops it if it waits; the others play on.
    // Nothing happens when it has ended.
    virtual void Cancel(Ticket ticket) = 0;
    // Silences the announcement that plays and drops those that wait.
    virtual void Stop() = 0;
    // Sounds a cue (core/cue.h) at once, over whatever plays: it waits for no announcement and
    // ends none.
    virtual void PlayCue(Cue cue) = 0;
    // True while an announcement plays or waits.
    virtual bool Busy() = 0;
    // Called each time the player becomes idle (the last announcement has played out,
    // or Stop ended what played or waited), possibly on another thread.
    virtual void SetIdleCallback(std::function<void()> callback) = 0;
    // Silences the player and ends its work, returning within kShutdownDeadlineMs: nothing
    // plays afterwards and the idle callback is not called again. A driver that does not
    // answer is left to itself (nothing it may still use is freed).
    virtual void Shutdown() = 0;
};

class HotkeyRegistrar {
  public:
    virtual ~HotkeyRegistrar() = default;
    // Binds the combination (modifiers as core/hotkeys.h numbers them) system-wide
    // under id; false when it is refused (already bound, by this window or another program).
    virtual bool Register(int id, unsigned modifiers, unsigned char vk) = 0;
    virtual bool Unregister(int id) = 0;
};

class MessageBoxService {
  public:
    virtual ~MessageBoxService() = default;
    // Brings the main window to the front and shows a modal box owned by it;
    // returns the id of the button that closed it. Text and caption are UTF-8.
    // answered, when given, is called once as soon as the user has answered the box
    // (a button, Enter, Space, Esc), which may be well before the system has taken
    // the box off the screen, and at the latest before Show returns.
    virtual int Show(const std::string& text, const std::string& caption, unsigned style,
                     const std::function<void()>& answered) = 0;
};

struct OpenFileRequest {
    std::string filter;       // UTF-8, "label|pattern|label|pattern..."
    std::string default_ext;  // UTF-8
    Path initial_dir;
    Path file_name;  // offered in the name field; may be empty
};

class OpenFileDialog {
  public:
    virtual ~OpenFileDialog() = default;
    // The confirmed path, or nothing when the user cancelled.
    virtual std::optional<Path> Show(const OpenFileRequest& request) = 0;
};

// The services handed to the main window.
struct Platform {
    FileSystem& files;
    SoundPlayer& player;
    HotkeyRegistrar& hotkeys;
    MessageBoxService& boxes;
    OpenFileDialog& open_dialog;
    // The layout in which the line's keys are compared with the simulator's (the keys label's tooltip).
    const KeyboardLayout& keyboard = UsKeyboardLayout();
};

}  // namespace vkm
