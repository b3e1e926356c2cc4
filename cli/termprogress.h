#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include <unistd.h>

#include "devlink/progress.h"

namespace mirca::cli {

// A progress bar on stderr, drawn only when stderr is a terminal, so that scripts see clean output.
class TTermProgress final : public IProgress {
public:
    explicit TTermProgress(std::string label) : label_(std::move(label)), tty_(isatty(STDERR_FILENO) == 1) {}
    ~TTermProgress() override { Finish(); }

    void SetMax(std::uint32_t max) override {
        max_ = max;
        position_ = 0;
        Draw();
    }
    void Advance() override {
        ++position_;
        Draw();
    }
    void Finish() {
        if (tty_ && drawn_) std::fputc('\n', stderr);
        drawn_ = false;
    }

private:
    void Draw() {
        if (!tty_) return;
        constexpr int kWidth = 40;
        // The protocol may advance past a maximum computed from whole blocks; the bar stays full.
        const double share = max_ == 0 ? 1.0 : std::min(1.0, static_cast<double>(position_) / max_);
        const int filled = static_cast<int>(share * kWidth);
        std::fprintf(stderr, "\r%s [%s%s] %3d%%", label_.c_str(), std::string(filled, '#').c_str(),
                     std::string(kWidth - filled, ' ').c_str(), static_cast<int>(share * 100));
        std::fflush(stderr);
        drawn_ = true;
    }

    std::string label_;
    bool tty_;
    bool drawn_ = false;
    std::uint32_t max_ = 0;
    std::uint32_t position_ = 0;
};

// A percent gauge on stderr, drawn only on a terminal.
class TTermGauge final : public IGauge {
public:
    explicit TTermGauge(std::string label) : label_(std::move(label)), tty_(isatty(STDERR_FILENO) == 1) {}
    ~TTermGauge() override { Finish(); }

    void SetPercent(int percent) override {
        if (!tty_) return;
        constexpr int kWidth = 40;
        const int share = std::clamp(percent, 0, 100);
        const int filled = share * kWidth / 100;
        std::fprintf(stderr, "\r%s [%s%s] %3d%%", label_.c_str(), std::string(filled, '#').c_str(),
                     std::string(kWidth - filled, ' ').c_str(), share);
        std::fflush(stderr);
        drawn_ = true;
    }
    void Finish() {
        if (tty_ && drawn_) std::fputc('\n', stderr);
        drawn_ = false;
    }

private:
    std::string label_;
    bool tty_;
    bool drawn_ = false;
};

}  // namespace mirca::cli
