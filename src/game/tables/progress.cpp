#include "game/tables/progress.h"

#include <algorithm>

namespace valmor::tables {

constexpr int kBarWidth = 30;

Progress::Progress(std::ostream* terminal, std::string label)
    : terminal_(terminal), label_(std::move(label)) {}

Progress::~Progress() {
    // Work that stopped early leaves its bar where it stopped.
    if (out_ != nullptr)
        *out_ << '\n' << std::flush;
}

void Progress::start(std::int64_t total, std::string unit) {
    finish();
    total_ = total;
    unit_ = std::move(unit);
    done_ = 0;
    drawnPercent_ = -1;
    out_ = total > kProgressThreshold ? terminal_ : nullptr;
    if (out_ != nullptr)
        draw();
}

void Progress::advance() {
    ++done_;
    if (out_ != nullptr)
        draw();
}

void Progress::advanceTo(std::int64_t done) {
    done_ = std::min(done, total_);
    if (out_ != nullptr)
        draw();
}

void Progress::finish() {
    if (out_ == nullptr)
        return;
    done_ = total_;
    draw();
    *out_ << '\n' << std::flush;
    out_ = nullptr;
}

void Progress::setNote(std::string note) {
    note_ = std::move(note);
    if (out_ != nullptr)
        draw();
}

void Progress::draw() {
    const int percent = static_cast<int>(done_ * 100 / total_);
    // Redraw only when the figure or the note changes: a terminal is slow next to the work.
    if (percent == drawnPercent_ && note_ == drawnNote_)
        return;
    drawnPercent_ = percent;
    drawnNote_ = note_;
    const int filled = percent * kBarWidth / 100;
    *out_ << '\r' << label_ << " [" << std::string(static_cast<std::size_t>(filled), '#')
          << std::string(static_cast<std::size_t>(kBarWidth - filled), '.') << "] " << percent
          << "% " << done_ << '/' << total_ << (unit_.empty() ? "" : " ") << unit_
          << (note_.empty() ? "" : " " + note_ + "  ") << std::flush;
}

} // namespace valmor::tables
