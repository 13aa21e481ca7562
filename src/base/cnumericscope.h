// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <locale.h>

#include <string>

namespace kelvor {

// C libraries that write numbers with printf (libxlsxwriter among them) follow the
// process's LC_NUMERIC, which Qt takes from the environment: under a German locale
// they would write "22,6" into files whose format requires "22.6". While one of these
// lives, the calling thread formats numbers the C way; the rest of the process keeps
// the user's locale.
class CNumericScope {
public:
    CNumericScope();
    ~CNumericScope();
    CNumericScope(const CNumericScope&) = delete;
    CNumericScope& operator=(const CNumericScope&) = delete;

private:
#ifdef _WIN32
    int m_previousMode = 0;
    std::string m_previousNumeric;
#else
    locale_t m_c = nullptr;
    locale_t m_previous = nullptr;
#endif
};

}  // namespace kelvor
