#include "persist_stream.h"

namespace zqmarq {

const std::uint8_t* ByteReader::take(std::size_t count, const char* field) {
    if (count > remaining()) {
        throw StreamError("The stored data ends too early: " + std::string(field) + " needs " +
                          std::to_string(count) + " bytes at offset " + std::to_string(m_pos) +
                          ", only " + std::to_string(remaining()) + " left");
    }
    const std::uint8_t* p = m_data + m_pos;
    m_pos += count;
    return p;
}

std::uint8_t ByteReader::u8(const char* field) {
    return *take(1, field);
}

std::uint16_t ByteReader::u16(const char* field) {
    const std::uint8_t* p = take(2, field);
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t ByteReader::u32(const char* field) {
    const std::uint8_t* p = take(4, field);
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

Guid ByteReader::guid(const char* field) {
    return Guid::fromBytes(take(16, field));
}

std::string ByteReader::prefixedString(const char* field) {
    std::size_t length = u8(field);
    if (length == 0xFF) {
        length = u16(field);
        if (length == 0xFFFE)
            throw StreamError(std::string(field) +
                              " is stored as a wide string, which is not supported");
        if (length == 0xFFFF)
            length = u32(field);
    }
    const std::uint8_t* p = take(length, field);
    return std::string(reinterpret_cast<const char*>(p), length);
}

std::vector<std::uint8_t> ByteReader::bytes(std::size_t count, const char* field) {
    const std::uint8_t* p = take(count, field);
    return std::vector<std::uint8_t>(p, p + count);
}

void ByteWriter::u16(std::uint16_t v) {
    m_out.push_back(static_cast<std::uint8_t>(v));
    m_out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void ByteWriter::u32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        m_out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void ByteWriter::guid(const Guid& g) {
    const auto b = g.toBytes();
    m_out.insert(m_out.end(), b.begin(), b.end());
}

void ByteWriter::prefixedString(const std::string& s) {
    const std::size_t n = s.size();
    if (n < 0xFF) {
        u8(static_cast<std::uint8_t>(n));
    } else if (n < 0xFFFE) {
        u8(0xFF);
        u16(static_cast<std::uint16_t>(n));
    } else {
        u8(0xFF);
        u16(0xFFFF);
        u32(static_cast<std::uint32_t>(n));
    }
    m_out.insert(m_out.end(), s.begin(), s.end());
}

} // namespace zqmarq
