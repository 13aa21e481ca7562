// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "bytereader.h"
#include "meter/usbdevice.h"

namespace kelvor::fuzz {

// hidapi as the fuzzer makes it: the meters it lists (any path and serial text), which
// of them open, and the input reports, all from the input. Handles are checked: a
// close or read of one that is not open stops the run.
class FuzzedHid final : public HidApi {
public:
    struct Meter {
        Found found;
        OpenError opens = OpenError::None;
    };
    std::vector<Meter> meters;
    ByteReader* reports = nullptr;  // input reports; none (every read times out) when unset

    std::vector<Found> enumerate(std::uint16_t, std::uint16_t) override
    {
        std::vector<Found> out;
        for (const Meter& m : meters)
            out.push_back(m.found);
        return out;
    }
    Handle open(const std::string& path, OpenError* why) override
    {
        *why = OpenError::Other;
        for (const Meter& m : meters)
            if (m.found.path == path) {
                *why = m.opens;
                break;
            }
        if (*why != OpenError::None)
            return nullptr;
        Handle h = reinterpret_cast<Handle>(std::uintptr_t(++m_lastHandle));
        m_open.insert(h);
        return h;
    }
    void close(Handle h) override
    {
        if (m_open.erase(h) != 1)
            __builtin_trap();
    }
    int write(Handle h, const std::uint8_t*, std::size_t length) override
    {
        checkOpen(h);
        if (!reports || reports->empty())
            return int(length);
        const std::uint8_t how = reports->byte();
        return how < 8 ? -1 : how < 16 ? int(how % 9) : int(length);
    }
    int read(Handle h, std::uint8_t* data, std::size_t length, int) override
    {
        checkOpen(h);
        if (!reports || reports->empty())
            return 0;
        const std::uint8_t how = reports->byte();
        if (how == 0xFF)
            return -1;
        const std::size_t n = std::min<std::size_t>(how % 70, length);
        for (std::size_t i = 0; i < n; ++i)
            data[i] = reports->byte();
        return int(n);
    }
    bool anyOpen() const { return !m_open.empty(); }

private:
    void checkOpen(Handle h) const
    {
        if (!m_open.count(h))
            __builtin_trap();
    }
    std::set<Handle> m_open;
    std::uintptr_t m_lastHandle = 0x1000;
};

}  // namespace kelvor::fuzz
