// SPDX-License-Identifier: GPL-3.0-or-later
#include "meter/sim/simfaults.h"

#include <QStringList>

#include "meter/sim/simchannel.h"

namespace kelvor {

namespace {
struct KindName {
    const char* name;
    FaultKind kind;
};
constexpr KindName kKinds[] = {
    {"drop", FaultKind::Drop},
    {"garble-start", FaultKind::GarbleStart},
    {"garble-end", FaultKind::GarbleEnd},
    {"model", FaultKind::WrongModel},
    {"unplug", FaultKind::Unplug},
    {"nak", FaultKind::NoOk},
    {"echo", FaultKind::WrongEcho},
};

bool within(const FaultRule& r, int n) { return n >= r.first && (r.count == 0 || n < r.first + r.count); }
}  // namespace

bool SimFaultPlan::parseRules(const QString& text, QString* error)
{
    auto fail = [&](const QString& rule, const QString& why) {
        if (error)
            *error = QStringLiteral(
                         "bad fault rule '%1': %2 (form KIND[:LETTER]@N[+M], KIND one of "
                         "drop, garble-start, garble-end, model, unplug, nak, echo)")
                         .arg(rule, why);
        return false;
    };
    std::vector<FaultRule> parsed;
    for (const QString& raw : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString rule = raw.trimmed();
        const int at = rule.indexOf(QLatin1Char('@'));
        if (at < 0)
            return fail(rule, QStringLiteral("no '@'"));
        QString kindText = rule.left(at);
        FaultRule r;
        const int colon = kindText.indexOf(QLatin1Char(':'));
        if (colon >= 0) {
            const QString letter = kindText.mid(colon + 1);
            if (letter.size() != 1 || letter[0].unicode() > 0x7E || letter[0].unicode() < 0x21)
                return fail(rule, QStringLiteral("the command must be one letter"));
            r.letter = std::uint8_t(letter[0].unicode());
            kindText = kindText.left(colon);
        }
        bool known = false;
        for (const KindName& k : kKinds)
            if (kindText == QLatin1String(k.name)) {
                r.kind = k.kind;
                known = true;
            }
        if (!known)
            return fail(rule, QStringLiteral("unknown kind '%1'").arg(kindText));
        const QString where = rule.mid(at + 1);
        const int plus = where.indexOf(QLatin1Char('+'));
        bool ok = false;
        r.first = (plus < 0 ? where : where.left(plus)).toInt(&ok);
        if (!ok || r.first < 1)
            return fail(rule, QStringLiteral("the exchange number must be 1 or more"));
        if (plus >= 0) {
            const QString len = where.mid(plus + 1);
            if (len == QLatin1String("*")) {
                r.count = 0;
            } else {
                r.count = len.toInt(&ok);
                if (!ok || r.count < 1)
                    return fail(rule, QStringLiteral("the length must be 1 or more, or '*'"));
            }
        }
        parsed.push_back(r);
    }
    rules.insert(rules.end(), parsed.begin(), parsed.end());
    return true;
}

void SimFaults::tickUnplug()
{
    if (!m_unplugged || m_forever)
        return;
    if (m_unplugLeft == 0)
        m_unplugged = false;
    else
        --m_unplugLeft;
}

bool SimFaults::open()
{
    if (!m_unplugged)
        return true;
    if (!m_forever && m_unplugLeft == 0) {
        m_unplugged = false;  // back; the frame that follows is the next exchange
        return true;
    }
    ++m_exchange;
    tickUnplug();
    return false;
}

SimFaults::Hit SimFaults::beginExchange(std::uint8_t letter)
{
    ++m_exchange;
    const int nthOfLetter = ++m_perLetter[letter];
    tickUnplug();

    Hit hit;
    for (const FaultRule& r : m_plan.rules) {
        const int n = r.letter ? (r.letter == letter ? nthOfLetter : -1) : m_exchange;
        if (r.kind == FaultKind::Unplug) {
            // An unplug starts at its exchange and then runs on its own count.
            if (n == r.first && !m_unplugged) {
                m_unplugged = true;
                m_forever = r.count == 0;
                m_unplugLeft = r.count - 1;  // this exchange is the first one lost
            }
            continue;
        }
        if (n < 0 || !within(r, n))
            continue;
        switch (r.kind) {
            case FaultKind::Drop:
                hit.drop = true;
                break;
            case FaultKind::GarbleStart:
                hit.garbleStart = true;
                break;
            case FaultKind::GarbleEnd:
                hit.garbleEnd = true;
                break;
            case FaultKind::WrongModel:
                hit.wrongModel = true;
                break;
            case FaultKind::NoOk:
                hit.noOk = true;
                break;
            case FaultKind::WrongEcho:
                hit.wrongEcho = true;
                break;
            case FaultKind::Unplug:
                break;
        }
    }
    if (m_plan.lossPercent > 0 && (simNoise(m_plan.seed, 99, m_exchange) + 1.0) * 50.0 < m_plan.lossPercent)
        hit.drop = true;
    hit.unplugged = m_unplugged;
    return hit;
}

void SimFaults::damage(const Hit& hit, std::vector<std::uint8_t>& r) const
{
    if (r.empty())
        return;
    if (hit.garbleStart)
        r.front() ^= 0xFF;
    if (hit.garbleEnd)
        r.back() ^= 0xFF;
    if (hit.wrongModel && r.size() > 25)
        r[25] = 'Y';
    if (hit.noOk)
        for (std::size_t at : {2u, 28u, 30u})
            if (at + 1 < r.size() && r[at] == 'O' && r[at + 1] == 'K') {
                r[at] = 'N';
                r[at + 1] = 'G';
            }
    if (hit.wrongEcho && r.size() > 1)
        r[1] ^= 0x20;
}

}  // namespace kelvor
