// A progress bar on standard error for long exports and imports. It is drawn only when
// standard error is a terminal and the work is large enough to be worth watching.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

namespace valmor::tables {

// Work above this many records or sprites shows a bar.
inline constexpr std::int64_t kProgressThreshold = 300;

class Progress {
public:
    // `terminal` is standard error when it is a terminal, else null, and no bar is drawn.
    explicit Progress(std::ostream* terminal = nullptr, std::string label = {});
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // Begins work of `total` items; the bar shows only above kProgressThreshold of them.
    // A `unit` is written after the figures ("120/700 KiB").
    void start(std::int64_t total, std::string unit = {});
    void advance();
    // Sets the work done so far to `done` items, at most `total`.
    void advanceTo(std::int64_t done);
    // Draws the full bar and ends its line; later calls do nothing.
    void finish();
    // A short text after the figures, such as the time so far; the bar is drawn again when
    // it changes.
    void setNote(std::string note);

private:
    void draw();

    std::ostream* terminal_;
    std::ostream* out_ = nullptr;
    std::string label_;
    std::string unit_;
    std::int64_t total_ = 0;
    std::int64_t done_ = 0;
    int drawnPercent_ = -1;
    std::string note_;
    std::string drawnNote_;
};

} // namespace valmor::tables
