#include "devlink/sleeper.h"

#include <chrono>
#include <thread>

namespace mirca {

void TSystemSleeper::Sleep(std::uint32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

ISleeper& SystemSleeper() {
    static TSystemSleeper sleeper;
    return sleeper;
}

}  // namespace mirca
