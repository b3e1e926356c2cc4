// Map files come beside the program but are edited by hand: any text must become a map or a TMapError.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "memmap/memmap.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path =
        (std::filesystem::temp_directory_path() / ("mirca-mapfuzz-" + std::to_string(getpid()) + ".xml"))
            .string();
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    try {
        mirca::TZelmoMemoryMap map(path);
        mirca::TZelmoMemoryMapImage& image = map.BuildImage();
        map.LoadFromImage(image);
        map.ApplyFactoryValues();
        (void)map.SystemNumber();
    } catch (const std::exception&) {
        // Refusing is the right answer for broken input; crashing or reading out of bounds is not.
    }
    return 0;
}
