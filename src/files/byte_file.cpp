#include "files/byte_file.h"

namespace valmor {

ByteFile::ByteFile(const GamePath& path)
    : file_(GameFile::openOrCreate(path, GameFile::Access::Read)) {}

void ByteFile::read(std::int64_t position, std::span<std::uint8_t> bytes) const {
    if (position < 1)
        throw DataError(ErrorKind::BadRecordNumber, path().filename().string());
    file_.readZeroFilled(position - 1, bytes);
}

} // namespace valmor
