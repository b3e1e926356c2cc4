#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include <unistd.h>

#include "devlink/progress.h"

namespace mirca::cli {

// A bar on stderr, drawn only when stderr is a terminal, so that scripts see clean output.
class TTermBar {
public:
    explicit TTermBar(std::string label) : label_(std::move(label)), tty_(isatty(STDERR_FILENO) == 1) {}
    ~TTermBar() { Finish(); }
    TTermBar(const TTermBar&) = delete;
    TTermBar& operator=(const TTermBar&) = delete;

    // share from 0 to 1; anything beyond is drawn full. The note follows the percentage.
    void Draw(double share, const std::string& note = {}) {
        if (!tty_) return;
        constexpr int kWidth = 40;
        share = std::clamp(share, 0.0, 1.0);
        const int filled = static_cast<int>(share * kWidth);
        std::fprintf(stderr, "\r%s [%s%s] %3d%%%s", label_.c_str(), std::string(filled, '#').c_str(),
                     std::string(kWidth - filled, ' ').c_str(), static_cast<int>(share * 100), note.c_str());
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

// Transfers counted in blocks; with the bytes a block carries, the bar also says how many bytes went.
class TTermProgress final : public IProgress {
public:
    explicit TTermProgress(std::string label, std::uint32_t bytesPerStep = 0)
        : bar_(std::move(label)), bytesPerStep_(bytesPerStep) {}

    void SetMax(std::uint32_t max) override {
        max_ = max;
        position_ = 0;
        Draw();
    }
    void Advance() override {
        ++position_;
        Draw();
    }
    void Finish() { bar_.Finish(); }

private:
    // The protocol may advance past a maximum computed from whole blocks; the bar stays full.
    void Draw() {
        std::string note;
        if (bytesPerStep_ != 0) {
            const std::uint64_t total = std::uint64_t{max_} * bytesPerStep_;
            const std::uint64_t sent =
                std::min<std::uint64_t>(std::uint64_t{position_} * bytesPerStep_, total);
            note = " " + std::to_string(sent) + " of " + std::to_string(total) + " bytes";
        }
        bar_.Draw(max_ == 0 ? 1.0 : static_cast<double>(position_) / max_, note);
    }

    TTermBar bar_;
    std::uint32_t bytesPerStep_;
    std::uint32_t max_ = 0;
    std::uint32_t position_ = 0;
};

// Operations measured in percent.
class TTermGauge final : public IGauge {
public:
    explicit TTermGauge(std::string label) : bar_(std::move(label)) {}
    void SetPercent(int percent) override { bar_.Draw(percent / 100.0); }

private:
    TTermBar bar_;
};

}  // namespace mirca::cli
