// SPDX-License-Identifier: GPL-3.0-or-later
#include "profile/profilereader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <cmath>

#include "profile/jsonlines.h"

namespace kelvor {

namespace {

constexpr int kFormatVersion = 1;
constexpr int kMaxRules = 1000;

// What went wrong where; thrown inside the reader only, turned into the one message.
struct Fault {
    QString path;  // the field's path, for its line
    QString text;
};

// Reads one object of the file: each field by name, with the checks every number
// needs, and a refusal of fields it does not know (a misspelt limit must not pass).
class ObjectReader {
public:
    ObjectReader(const QJsonObject& object, QString path) : m_object(object), m_path(std::move(path)) {}

    QString field(const QString& key) const { return m_path.isEmpty() ? key : m_path + QLatin1Char('.') + key; }
    bool has(const QString& key) const { return m_object.contains(key); }
    QJsonValue raw(const QString& key) const { return m_object.value(key); }

    [[noreturn]] void fail(const QString& key, const QString& text) const { throw Fault{field(key), text}; }

    double number(const QString& key, double fallback, double least = -kNoLimit) const
    {
        if (!has(key))
            return fallback;
        const QJsonValue v = m_object.value(key);
        if (!v.isDouble() || !std::isfinite(v.toDouble()))
            fail(key, QStringLiteral("\"%1\" must be a number").arg(key));
        if (v.toDouble() < least)
            fail(key, QStringLiteral("\"%1\" must be %2 or more").arg(key).arg(least));
        return v.toDouble();
    }

    double requiredNumber(const QString& key, double least = -kNoLimit) const
    {
        if (!has(key))
            fail(QString(), QStringLiteral("\"%1\" is missing").arg(key));
        return number(key, 0, least);
    }

    QString text(const QString& key, const QString& fallback) const
    {
        if (!has(key))
            return fallback;
        if (!m_object.value(key).isString())
            fail(key, QStringLiteral("\"%1\" must be a text").arg(key));
        return m_object.value(key).toString();
    }

    QJsonArray array(const QString& key) const
    {
        if (!m_object.value(key).isArray())
            fail(key, QStringLiteral("\"%1\" must be a list").arg(key));
        return m_object.value(key).toArray();
    }

    void onlyKnown(const QStringList& known) const
    {
        for (auto it = m_object.begin(); it != m_object.end(); ++it)
            if (!known.contains(it.key()))
                fail(it.key(), QStringLiteral("unknown field \"%1\"").arg(it.key()));
    }

private:
    QJsonObject m_object;
    QString m_path;
};

int channelOf(const ObjectReader& r, int fallback)
{
    if (!r.has(QStringLiteral("channel")))
        return fallback;
    const QString name = r.text(QStringLiteral("channel"), QString()).toUpper();
    if (name.size() == 2 && name[0] == QLatin1Char('T') && name[1] >= QLatin1Char('1') && name[1] <= QLatin1Char('4'))
        return name[1].unicode() - '1';
    r.fail(QStringLiteral("channel"), QStringLiteral("\"channel\" must be T1, T2, T3 or T4"));
}

// A curve: [[seconds, value], ...] with strictly increasing times from 0 on.
std::vector<CurvePoint> curveOf(const ObjectReader& r, const QString& key)
{
    const QJsonArray points = r.array(key);
    if (points.isEmpty())
        r.fail(key, QStringLiteral("\"%1\" needs at least one point").arg(key));
    std::vector<CurvePoint> curve;
    for (int i = 0; i < points.size(); ++i) {
        const QJsonArray p = points[i].toArray();
        const QString at = QStringLiteral("%1[%2]").arg(key).arg(i);
        if (!points[i].isArray() || p.size() != 2 || !p[0].isDouble() || !p[1].isDouble() ||
            !std::isfinite(p[0].toDouble()) || !std::isfinite(p[1].toDouble()))
            r.fail(at, QStringLiteral("point %1 of \"%2\" must be [seconds, temperature]").arg(i + 1).arg(key));
        const CurvePoint point{p[0].toDouble(), p[1].toDouble()};
        if (point.seconds < 0 || (!curve.empty() && point.seconds <= curve.back().seconds))
            r.fail(at, QStringLiteral("point %1 of \"%2\": the times must rise from 0 on").arg(i + 1).arg(key));
        curve.push_back(point);
    }
    return curve;
}

void readBand(const ObjectReader& r, ProfileRule& rule)
{
    const bool reference = r.has(QStringLiteral("reference"));
    if (reference) {
        if (r.has(QStringLiteral("upper")) || r.has(QStringLiteral("lower")))
            r.fail(QStringLiteral("reference"),
                   QStringLiteral("a band has either \"reference\" and \"tolerance\" or \"upper\"/\"lower\""));
        const double tolerance = r.requiredNumber(QStringLiteral("tolerance"), 0);
        for (const CurvePoint& p : curveOf(r, QStringLiteral("reference"))) {
            rule.upper.push_back({p.seconds, p.value + tolerance});
            rule.lower.push_back({p.seconds, p.value - tolerance});
        }
        return;
    }
    if (r.has(QStringLiteral("tolerance")))
        r.fail(QStringLiteral("tolerance"), QStringLiteral("\"tolerance\" belongs to a \"reference\""));
    if (r.has(QStringLiteral("upper")))
        rule.upper = curveOf(r, QStringLiteral("upper"));
    if (r.has(QStringLiteral("lower")))
        rule.lower = curveOf(r, QStringLiteral("lower"));
    if (rule.upper.empty() && rule.lower.empty())
        r.fail(QString(), QStringLiteral("a band needs \"upper\", \"lower\" or \"reference\""));
}

void readRate(const ObjectReader& r, ProfileRule& rule)
{
    const QString direction = r.text(QStringLiteral("direction"), QString());
    if (direction != QLatin1String("rise") && direction != QLatin1String("fall"))
        r.fail(QStringLiteral("direction"), QStringLiteral("\"direction\" must be \"rise\" or \"fall\""));
    rule.rise = direction == QLatin1String("rise");
    const bool perSecond = r.has(QStringLiteral("maxPerSecond"));
    rule.perMinute = r.has(QStringLiteral("maxPerMinute"));
    if (perSecond == rule.perMinute)
        r.fail(QString(), QStringLiteral("a rate needs one of \"maxPerSecond\" and \"maxPerMinute\""));
    rule.maxPerSecond = rule.perMinute ? r.requiredNumber(QStringLiteral("maxPerMinute"), 0) / 60.0
                                       : r.requiredNumber(QStringLiteral("maxPerSecond"), 0);
    rule.windowSeconds = r.number(QStringLiteral("windowSeconds"), 0, 0);
    rule.fromSeconds = r.number(QStringLiteral("fromSeconds"), 0, 0);
    rule.untilSeconds = r.number(QStringLiteral("untilSeconds"), kNoLimit, 0);
    if (rule.untilSeconds <= rule.fromSeconds)
        r.fail(QStringLiteral("untilSeconds"), QStringLiteral("\"untilSeconds\" must come after \"fromSeconds\""));
}

void readDwell(const ObjectReader& r, ProfileRule& rule)
{
    const int forms = int(r.has(QStringLiteral("above"))) + int(r.has(QStringLiteral("below"))) +
                      int(r.has(QStringLiteral("between")));
    if (forms != 1)
        r.fail(QString(), QStringLiteral("a dwell needs one of \"above\", \"below\" and \"between\""));
    if (r.has(QStringLiteral("between"))) {
        const QJsonArray range = r.array(QStringLiteral("between"));
        if (range.size() != 2 || !range[0].isDouble() || !range[1].isDouble() ||
            range[0].toDouble() > range[1].toDouble())
            r.fail(QStringLiteral("between"), QStringLiteral("\"between\" must be [lowest, highest]"));
        rule.low = range[0].toDouble();
        rule.high = range[1].toDouble();
    } else {
        rule.low = r.number(QStringLiteral("above"), -kNoLimit);
        rule.high = r.number(QStringLiteral("below"), kNoLimit);
    }
    rule.minSeconds = r.number(QStringLiteral("minSeconds"), 0, 0);
    rule.maxSeconds = r.number(QStringLiteral("maxSeconds"), kNoLimit, 0);
    if (!r.has(QStringLiteral("minSeconds")) && !r.has(QStringLiteral("maxSeconds")))
        r.fail(QString(), QStringLiteral("a dwell needs \"minSeconds\", \"maxSeconds\" or both"));
    if (rule.maxSeconds < rule.minSeconds)
        r.fail(QStringLiteral("maxSeconds"), QStringLiteral("\"maxSeconds\" is less than \"minSeconds\""));
}

void readPeak(const ObjectReader& r, ProfileRule& rule)
{
    if (!r.has(QStringLiteral("min")) && !r.has(QStringLiteral("max")))
        r.fail(QString(), QStringLiteral("a peak needs \"min\", \"max\" or both"));
    rule.peakMin = r.number(QStringLiteral("min"), -kNoLimit);
    rule.peakMax = r.number(QStringLiteral("max"), kNoLimit);
    if (rule.peakMax < rule.peakMin)
        r.fail(QStringLiteral("max"), QStringLiteral("\"max\" is less than \"min\""));
    rule.beforeSeconds = r.number(QStringLiteral("beforeSeconds"), kNoLimit, 0);
}

void readCooling(const ObjectReader& r, ProfileRule& rule)
{
    rule.from = r.requiredNumber(QStringLiteral("from"));
    if (!r.has(QStringLiteral("stages")))
        r.fail(QString(), QStringLiteral("\"stages\" is missing"));
    const QJsonArray stages = r.array(QStringLiteral("stages"));
    if (stages.isEmpty())
        r.fail(QStringLiteral("stages"), QStringLiteral("\"stages\" needs at least one stage"));
    double previous = rule.from;
    for (int i = 0; i < stages.size(); ++i) {
        const QString at = QStringLiteral("stages[%1]").arg(i);
        if (!stages[i].isObject())
            r.fail(at, QStringLiteral("stage %1 must be an object").arg(i + 1));
        const ObjectReader s(stages[i].toObject(), r.field(at));
        s.onlyKnown({QStringLiteral("to"), QStringLiteral("withinMinutes"), QStringLiteral("withinSeconds")});
        CoolingStage stage;
        stage.to = s.requiredNumber(QStringLiteral("to"));
        if (stage.to >= previous)
            s.fail(QStringLiteral("to"), QStringLiteral("stage %1 must end below where it starts").arg(i + 1));
        if (s.has(QStringLiteral("withinMinutes")) == s.has(QStringLiteral("withinSeconds")))
            s.fail(QString(),
                   QStringLiteral("stage %1 needs one of \"withinMinutes\" and \"withinSeconds\"").arg(i + 1));
        stage.withinSeconds = s.has(QStringLiteral("withinMinutes"))
                                  ? 60.0 * s.requiredNumber(QStringLiteral("withinMinutes"), 0)
                                  : s.requiredNumber(QStringLiteral("withinSeconds"), 0);
        previous = stage.to;
        rule.stages.push_back(stage);
    }
}

struct KindEntry {
    RuleKind kind;
    QStringList fields;
    void (*read)(const ObjectReader&, ProfileRule&);
};

const std::vector<KindEntry>& kinds()
{
    static const std::vector<KindEntry> table = {
        {RuleKind::Band, {"upper", "lower", "reference", "tolerance"}, readBand},
        {RuleKind::Rate,
         {"direction", "maxPerSecond", "maxPerMinute", "windowSeconds", "fromSeconds", "untilSeconds"},
         readRate},
        {RuleKind::Dwell, {"above", "below", "between", "minSeconds", "maxSeconds"}, readDwell},
        {RuleKind::Peak, {"min", "max", "beforeSeconds"}, readPeak},
        {RuleKind::Cooling, {"from", "stages"}, readCooling},
    };
    return table;
}

ProfileRule readRule(const QJsonValue& value, int index, int channel, const JsonLines& lines)
{
    const QString path = QStringLiteral("rules[%1]").arg(index);
    if (!value.isObject())
        throw Fault{path, QStringLiteral("must be an object")};
    const ObjectReader r(value.toObject(), path);
    const QString kindName = r.text(QStringLiteral("kind"), QString());
    const auto entry = std::find_if(kinds().begin(), kinds().end(),
                                    [&](const KindEntry& e) { return RuleKindName(e.kind) == kindName; });
    if (entry == kinds().end())
        r.fail(QStringLiteral("kind"),
               QStringLiteral("\"kind\" must be \"band\", \"rate\", \"dwell\", \"peak\" or \"cooling\""));
    r.onlyKnown(QStringList{QStringLiteral("kind"), QStringLiteral("name"), QStringLiteral("channel")} + entry->fields);
    ProfileRule rule;
    rule.kind = entry->kind;
    rule.line = lines.lineOf(path);
    rule.channel = channelOf(r, channel);
    rule.name = r.text(QStringLiteral("name"), QStringLiteral("%1 %2").arg(kindName).arg(index + 1));
    entry->read(r, rule);
    return rule;
}

QString unitOf(const ObjectReader& r)
{
    const QString unit = r.text(QStringLiteral("unit"), QStringLiteral("°C"));
    if (unit == QLatin1String("C") || unit == QStringLiteral("°C"))
        return QStringLiteral("°C");
    if (unit == QLatin1String("F") || unit == QStringLiteral("°F"))
        return QStringLiteral("°F");
    r.fail(QStringLiteral("unit"), QStringLiteral("\"unit\" must be \"°C\" or \"°F\""));
}

Profile readProfile(const QJsonObject& root, const JsonLines& lines)
{
    const ObjectReader r(root, QString());
    r.onlyKnown({QStringLiteral("kelvorProfile"), QStringLiteral("name"), QStringLiteral("unit"),
                 QStringLiteral("channel"), QStringLiteral("maxSpacingSeconds"), QStringLiteral("rules")});
    if (r.raw(QStringLiteral("kelvorProfile")).toDouble(-1) != kFormatVersion)
        r.fail(QStringLiteral("kelvorProfile"),
               QStringLiteral("\"kelvorProfile\" must be %1 (the version of the format this program reads)")
                   .arg(kFormatVersion));
    Profile p;
    p.name = r.text(QStringLiteral("name"), QString());
    p.unit = unitOf(r);
    p.maxSpacingSeconds = r.number(QStringLiteral("maxSpacingSeconds"), 0, 0);
    const int channel = channelOf(r, 0);
    if (!r.has(QStringLiteral("rules")))
        r.fail(QString(), QStringLiteral("\"rules\" is missing"));
    const QJsonArray rules = r.array(QStringLiteral("rules"));
    if (rules.isEmpty() || rules.size() > kMaxRules)
        r.fail(QStringLiteral("rules"), QStringLiteral("\"rules\" must hold 1 to %1 rules").arg(kMaxRules));
    for (int i = 0; i < rules.size(); ++i)
        p.rules.push_back(readRule(rules[i], i, channel, lines));
    return p;
}

// "rules[2].stages[0].to" → "rule 3, " for the message; the whole path names the field.
QString ruleOf(const QString& path)
{
    if (!path.startsWith(QLatin1String("rules[")))
        return QString();
    const int close = path.indexOf(QLatin1Char(']'));
    return QStringLiteral("rule %1: ").arg(path.mid(6, close - 6).toInt() + 1);
}

}  // namespace

Result<Profile> ParseProfile(const QByteArray& text, const QString& fileName)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError)
        return Result<Profile>::failure(
            QStringLiteral("\"%1\" is not a profile: line %2: %3")
                .arg(fileName, JsonLines::lineColumn(text, error.offset), error.errorString()));
    if (!doc.isObject())
        return Result<Profile>::failure(
            QStringLiteral("\"%1\" is not a profile: it must be one JSON object").arg(fileName));
    const JsonLines lines(text);
    try {
        return readProfile(doc.object(), lines);
    } catch (const Fault& f) {
        // The field's own line, else the nearest enclosing value that has one.
        QString at = f.path;
        int line = lines.lineOf(at);
        while (line == 0 && !at.isEmpty()) {
            const qsizetype cut = std::max(at.lastIndexOf(QLatin1Char('.')), at.lastIndexOf(QLatin1Char('[')));
            at = cut > 0 ? at.left(cut) : QString();
            line = lines.lineOf(at);
        }
        return Result<Profile>::failure(
            QStringLiteral("\"%1\", line %2: %3%4").arg(fileName).arg(std::max(line, 1)).arg(ruleOf(f.path), f.text));
    }
}

Result<Profile> ReadProfileFile(const QString& path)
{
    const QString name = QDir::toNativeSeparators(path);
    const QFileInfo info(path);
    if (!info.isFile())
        return Result<Profile>::failure(QStringLiteral("\"%1\" is not a file").arg(name));
    if (info.size() > kMaxProfileFileBytes)
        return Result<Profile>::failure(
            QStringLiteral("\"%1\" is too large for a profile (over %2 bytes)").arg(name).arg(kMaxProfileFileBytes));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Result<Profile>::failure(QStringLiteral("cannot open \"%1\": %2").arg(name, file.errorString()));
    return ParseProfile(file.read(kMaxProfileFileBytes + 1), name);
}

}  // namespace kelvor
