#include "files/byte_file.h"

namespace valmor {

ByteFile::ByteFile(const GamePath& path)
    : file_(GameFile::openOrCreate(path, GameFile::Access::Read)) {}

ByteFile ByteFile::openExisting(const GamePath& path) {
    return ByteFile(GameFile::open(path, GameFile::Access::Read));
}

std::size_t ByteFile::read(std::int64_t position, std::span<std::uint8_t> bytes) const {
    if (position < 1)
        throw DataError(ErrorKind::BadRecordNumber, path().filename().string());
    return file_.readZeroFilled(position - 1, bytes);
}

} // namespace valmor
