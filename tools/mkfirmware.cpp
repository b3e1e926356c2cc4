// mirca-mkfirmware: writes the sample firmware files that go beside the program, so that a new user can try
// the whole update against mirca-panelsim. Every name says "test": none of them is firmware for a real
// device. Usage: mirca-mkfirmware FOLDER
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/userfile.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Deterministic filler, different for every file.
void Fill(Bytes& b, std::size_t from, std::uint32_t seed) {
    std::uint32_t x = seed * 2654435761u + 1;
    for (std::size_t i = from; i < b.size(); ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b[i] = static_cast<std::uint8_t>(x);
    }
}

// A framed image: the identity record (type, edition 'd', version), then the image.
Bytes Framed(std::uint16_t type, std::uint8_t major, std::uint8_t minor, std::uint8_t build,
             std::size_t size) {
    Bytes b(size);
    Fill(b, 7, type * 1000u + major * 100u + minor * 10u + build);
    const Bytes head = {
        static_cast<std::uint8_t>(type), static_cast<std::uint8_t>(type >> 8), 'd', 'd', major, minor, build};
    std::copy(head.begin(), head.end(), b.begin());
    return b;
}

// An output module's image: its type, major and minor, a 32-bit value, then blocks of 64 bytes.
Bytes Module(std::uint8_t type, std::uint8_t major, std::uint8_t minor, std::size_t blocks) {
    Bytes b(11 + 64 * blocks);
    Fill(b, 11, type * 100u + major * 10u + minor);
    const Bytes head = {type, 0x00, 0x00, 0x00, 0x00, major, minor, 0x78, 0x56, 0x34, 0x12};
    std::copy(head.begin(), head.end(), b.begin());
    return b;
}

// An image that opens with its own transfer frame: 0x55 0x55, the device's code, its version as major * 10
// + minor, four more bytes, then blocks of 64 bytes and two spare bytes.
Bytes WithFrame(std::uint8_t code, std::uint8_t major, std::uint8_t minor, std::size_t blocks) {
    Bytes b(8 + 64 * blocks + 2);
    Fill(b, 8, code * 1000u + major * 10u + minor);
    const Bytes frame = {0x55, 0x55, code, static_cast<std::uint8_t>(major * 10 + minor), 0, 0, 0, 0};
    std::copy(frame.begin(), frame.end(), b.begin());
    return b;
}

// A sound file as some panels take them: a RIFF container; its version is in its name.
Bytes Riff(std::size_t size) {
    Bytes b(size);
    Fill(b, 12, 77);
    const Bytes head = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    std::copy(head.begin(), head.end(), b.begin());
    const std::uint32_t rest = static_cast<std::uint32_t>(size - 8);
    for (int i = 0; i < 4; ++i)
        b[4 + i] = static_cast<std::uint8_t>(rest >> (8 * i));
    return b;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: mirca-mkfirmware FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    const std::vector<std::pair<std::string, Bytes>> files = {
        // Type-937 panels by system; system 6 (the Y-649) takes the Y-PCN files.
        {"937_test_sys1_v1_2_0.tsk", Framed(937, 1, 2, 0, 6 * 1024)},
        {"937_test_sys3_v3_1_0.tsk", Framed(937, 3, 1, 0, 6 * 1024)},
        {"937_test_sys5_v5_0_0.tsk", Framed(937, 5, 0, 0, 6 * 1024)},
        {"Y-PCN_test_v6_3_5.tsk", Framed(937, 6, 3, 5, 8 * 1024)},
        {"Y-PCN_test_v6_4_12.tsk", Framed(937, 6, 4, 12, 8 * 1024)},
        // The framed module of type 18.
        {"18_test_rpu_v2_4_1.tsk", Framed(18, 2, 4, 1, 4 * 1024)},
        // Output modules: 0x40 and 0x42 take the y-uop files, 0x41 and 0x43 the y-uoo ones.
        {"test_y-uop_40_v1_3.tsk", Module(0x40, 1, 3, 48)},
        {"test_y-uoo_41_v1_2.tsk", Module(0x41, 1, 2, 48)},
        {"test_y-uop_42_v3_1.tsk", Module(0x42, 3, 1, 48)},
        {"test_y-uoo_43_v3_0.tsk", Module(0x43, 3, 0, 48)},
        {"test_y-uop_40_framed_v1_6.tsk", WithFrame(0x40, 1, 6, 48)},
        {"937_test_sound_1_2.bin.tsk", Riff(2048)},
    };
    for (const auto& [name, bytes] : files) {
        if (const std::string error = mirca::WriteFileAtomically(folder / name, bytes); !error.empty()) {
            std::fprintf(stderr, "mirca-mkfirmware: %s: %s\n", (folder / name).c_str(), error.c_str());
            return 1;
        }
    }
    return 0;
}
