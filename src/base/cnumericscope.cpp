// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/cnumericscope.h"

#ifdef __APPLE__
#include <xlocale.h>
#endif

namespace kelvor {

#ifdef _WIN32

// The Windows runtime has no uselocale(); a per-thread locale does the same.
CNumericScope::CNumericScope()
{
    m_previousMode = _configthreadlocale(_ENABLE_PER_THREAD_LOCALE);
    if (const char* numeric = setlocale(LC_NUMERIC, nullptr))
        m_previousNumeric = numeric;
    setlocale(LC_NUMERIC, "C");
}

CNumericScope::~CNumericScope()
{
    if (!m_previousNumeric.empty())
        setlocale(LC_NUMERIC, m_previousNumeric.c_str());
    _configthreadlocale(m_previousMode);
}

#else

CNumericScope::CNumericScope()
{
    // Copy the thread's current locale and replace only its numeric part, so
    // messages and character handling stay as they were.
    locale_t current = duplocale(uselocale(static_cast<locale_t>(nullptr)));
    if (!current)
        return;
    m_c = newlocale(LC_NUMERIC_MASK, "C", current);
    if (!m_c) {
        freelocale(current);
        return;
    }
    m_previous = uselocale(m_c);
}

CNumericScope::~CNumericScope()
{
    if (!m_c)
        return;
    uselocale(m_previous);
    freelocale(m_c);
}

#endif

}  // namespace kelvor
