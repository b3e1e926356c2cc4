// Configuration and registration backup files come from disks, mail and USB sticks: whatever they hold,
// a load either takes the whole file or leaves the image as it was.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/memfile.h"
#include "memmap/files.h"
#include "memmap/image.h"

namespace {

mirca::TZelmoMemoryMapImage BackupImage() {
    mirca::TZelmoMemoryMapImage image;
    image.Allocate(512);
    for (std::size_t i = 100; i < 200; ++i)
        image.flags[i] = 4;
    for (std::size_t i = 300; i < 310; ++i)
        image.flags[i] = 12;
    return image;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = mirca::fuzz::InputAsFile(data, size);
    for (const int format : {0, 1}) {
        mirca::TZelmoMemoryMapImage image = BackupImage();
        const mirca::TZelmoMemoryMapImage before = image;
        if (!mirca::LoadFromFile(image, path, format) &&
            (image.data != before.data || image.descriptor != before.descriptor))
            std::abort();
    }
    mirca::TZelmoMemoryMapImage image = BackupImage();
    const mirca::TZelmoMemoryMapImage before = image;
    if (!mirca::LoadBackupFile(image, path) &&
        (image.data != before.data || image.backupHeader != before.backupHeader))
        std::abort();
    return 0;
}
