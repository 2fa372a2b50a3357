// A virtual X display with a system tray (Xvfb and trayer), for end-to-end tests that
// click the real program and photograph it. Needs the xvfb, trayer, xdotool and
// imagemagick packages.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace testing_support {

struct ScreenRect {
    int x = 0, y = 0, width = 0, height = 0;
};

class VirtualDisplay {
public:
    // A screen of the given size ("WIDTHxHEIGHT").
    explicit VirtualDisplay(const std::string& size = "1280x800");
    ~VirtualDisplay();
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    // Whether the display and its tray came up (false when the tools are missing).
    bool ok() const { return ok_; }
    std::string name() const { return ":" + std::to_string(number_); }

    // Runs a command text with DISPLAY set to this display; its output.
    std::string run(const std::string& text) const;
    void click(int x, int y) const;
    void key(const std::string& keys) const;
    // The tray's window on screen (the status item sits inside it).
    std::optional<ScreenRect> tray() const;
    // Saves the whole screen, or one part of it, as a PNG.
    bool screenshot(const std::string& path, std::optional<ScreenRect> part = std::nullopt) const;

private:
    int number_ = 0;
    pid_t xvfb_ = -1;
    pid_t trayer_ = -1;
    bool ok_ = false;
};

// Whether the tools for a virtual display are installed.
bool virtualDisplayAvailable();

}  // namespace testing_support
