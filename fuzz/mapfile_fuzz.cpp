// Map files come beside the program but are edited by hand: any text must become a map or a TMapError.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/memfile.h"
#include "memmap/memmap.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = mirca::fuzz::InputAsFile(data, size);
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
