#pragma once
// Little-endian byte stream reader and writer for the stored form of a control. The reader
// checks every read against the end of the data and throws StreamError naming the field.

#include "identifiers.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace zqmarq {

class StreamError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class ByteReader {
  public:
    ByteReader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    std::size_t position() const { return m_pos; }
    std::size_t remaining() const { return m_size - m_pos; }

    std::uint8_t u8(const char* field);
    std::uint16_t u16(const char* field);
    std::uint32_t u32(const char* field);
    std::int16_t i16(const char* field) { return static_cast<std::int16_t>(u16(field)); }
    std::int32_t i32(const char* field) { return static_cast<std::int32_t>(u32(field)); }
    Guid guid(const char* field);
    // A string with its length prefix: one byte below 255, else 0xFF and 16 bits, else
    // 0xFF, 0xFFFF and 32 bits.
    std::string prefixedString(const char* field);
    std::vector<std::uint8_t> bytes(std::size_t count, const char* field);

  private:
    const std::uint8_t* take(std::size_t count, const char* field);

    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

class ByteWriter {
  public:
    void u8(std::uint8_t v) { m_out.push_back(v); }
    void u16(std::uint16_t v);
    void u32(std::uint32_t v);
    void i16(std::int16_t v) { u16(static_cast<std::uint16_t>(v)); }
    void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
    void guid(const Guid& g);
    void prefixedString(const std::string& s);
    void bytes(const std::vector<std::uint8_t>& b) {
        m_out.insert(m_out.end(), b.begin(), b.end());
    }

    const std::vector<std::uint8_t>& data() const { return m_out; }
    std::vector<std::uint8_t> take() { return std::move(m_out); }

  private:
    std::vector<std::uint8_t> m_out;
};

} // namespace zqmarq
