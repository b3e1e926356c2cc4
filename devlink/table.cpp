#include "devlink/table.h"

#include <stdexcept>

namespace mirca {

namespace {
[[noreturn]] void OutOfRange() {
    throw std::out_of_range("class TZelmoTable: index out of range");
}
}  // namespace

std::uint8_t& TZelmoTable::operator[](std::uint32_t index) {
    if (index >= data.size()) OutOfRange();
    return data[index];
}

std::uint8_t TZelmoTable::operator[](std::uint32_t index) const {
    if (index >= data.size()) OutOfRange();
    return data[index];
}

void TZelmoTable::PadToBlocks() {
    data.resize(std::size_t{Blocks()} * kBlockSize, 0);
}

}  // namespace mirca
