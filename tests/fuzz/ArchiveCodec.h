// SPDX-License-Identifier: MIT
#pragma once

// A theme archive as the structure-aware mutator sees it: a theme name and a
// list of entries, each a raw name (any bytes, not necessarily UTF-8) and its
// contents. decode() reads as much of any input as follows the layout;
// encode() always writes a well-formed archive. Written from the layout
// itself, independent of the library's parser and packer.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ArchiveCodec {

struct Entry
{
    std::string name;
    std::string contents;
};

struct Archive
{
    std::string theme;
    std::vector<Entry> entries;
};

// More entries than this only slow every run down without reaching new code.
inline constexpr size_t maxEntries = 24;

inline void putInt32(std::string &out, int32_t value)
{
    const uint32_t bits = uint32_t(value);
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(char((bits >> shift) & 0xFF));
}

inline int32_t getInt32(const uint8_t *data, size_t size, size_t at)
{
    if (at > size || size - at < 4)
        return -1;
    return int32_t(uint32_t(data[at]) | uint32_t(data[at + 1]) << 8 | uint32_t(data[at + 2]) << 16
                   | uint32_t(data[at + 3]) << 24);
}

// Length field, name, then 1 to 4 zero bytes.
inline void putNameRecord(std::string &out, const std::string &name)
{
    putInt32(out, int32_t(name.size()));
    out += name;
    out.append(4 - name.size() % 4, '\0');
}

inline std::string encode(const Archive &archive)
{
    const size_t count = archive.entries.size() + 1; // the closing record counts too
    std::string names;
    for (const Entry &entry : archive.entries)
        putNameRecord(names, entry.name);
    std::string block;
    putNameRecord(block, archive.theme);

    std::string out("VLMR", 4);
    putInt32(out, 1);
    putInt32(out, 0);
    putInt32(out, 0);
    putInt32(out, int32_t(block.size()));
    out += block;
    putInt32(out, int32_t(8 * count));
    const size_t firstName = out.size() + 8 * count;
    const size_t firstData = firstName + names.size() + 4; // after the end record
    size_t nameAt = firstName;
    size_t dataAt = firstData;
    for (const Entry &entry : archive.entries) {
        putInt32(out, int32_t(nameAt));
        putInt32(out, int32_t(dataAt));
        nameAt += 8 + entry.name.size() / 4 * 4;
        dataAt += entry.contents.size();
    }
    putInt32(out, int32_t(nameAt));
    putInt32(out, int32_t(dataAt));
    out += names;
    putInt32(out, 0); // end record
    for (const Entry &entry : archive.entries)
        out += entry.contents;
    return out;
}

// Reads the theme name and as many entries as the input holds in order.
// False when not even the theme name can be read; a damaged index or name
// record only ends the list of entries early.
inline bool decode(const uint8_t *data, size_t size, Archive &archive)
{
    archive = Archive();
    const int32_t blockLength = getInt32(data, size, 16);
    const int32_t themeLength = getInt32(data, size, 20);
    if (size < 24 || themeLength < 0 || size_t(themeLength) > size - 24)
        return false;
    archive.theme.assign(reinterpret_cast<const char *>(data) + 24, size_t(themeLength));

    size_t indexAt = 20 + size_t(blockLength);
    if (blockLength < 4 || indexAt > size) // trust the theme name over the block length
        indexAt = 24 + size_t(themeLength) / 4 * 4 + 4;
    const int32_t indexLength = getInt32(data, size, indexAt);
    if (indexLength < 16)
        return true;
    const size_t records = size_t(indexLength) / 8;
    size_t nameAt = indexAt + 4 + size_t(indexLength);
    const auto dataOffset = [&](size_t record) {
        const int32_t offset = getInt32(data, size, indexAt + 4 + 8 * record + 4);
        return offset < 0 ? size : std::min(size, size_t(offset));
    };
    for (size_t i = 0; i + 1 < records && archive.entries.size() < maxEntries; ++i) {
        const int32_t length = getInt32(data, size, nameAt);
        if (length < 0 || size_t(length) > size - nameAt - 4)
            break;
        Entry entry;
        entry.name.assign(reinterpret_cast<const char *>(data) + nameAt + 4, size_t(length));
        nameAt += 8 + size_t(length) / 4 * 4;
        const size_t from = dataOffset(i);
        const size_t to = i + 2 < records ? dataOffset(i + 1) : size;
        if (from < to)
            entry.contents.assign(reinterpret_cast<const char *>(data) + from, to - from);
        archive.entries.push_back(std::move(entry));
    }
    return true;
}

} // namespace ArchiveCodec
