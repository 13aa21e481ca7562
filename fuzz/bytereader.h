// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

namespace kelvor::fuzz {

// Takes the fuzzer's bytes in order; once they run out every take gives zeros.
class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    bool empty() const { return m_at >= m_size; }
    std::uint8_t byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    // A length byte (below `limit`), then that many bytes.
    std::string text(std::size_t limit = 64)
    {
        const std::size_t n = std::min<std::size_t>(byte() % limit, m_size - std::min(m_at, m_size));
        std::string s(reinterpret_cast<const char*>(m_data + m_at), n);
        m_at += n;
        return s;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

}  // namespace kelvor::fuzz
