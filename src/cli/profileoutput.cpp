// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/profileoutput.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

#include "cli/clicommand.h"
#include "profile/profilereader.h"
#include "profile/rulecheck.h"

namespace kelvor {

const QCommandLineOption kProfileOption(QStringLiteral("profile"),
                                        QStringLiteral("The profile to check against (JSON)."), QStringLiteral("P"));
const QCommandLineOption kProfileChannelOption(
    QStringLiteral("channel"), QStringLiteral("Check every rule on this channel (T1..T4) instead of its own."),
    QStringLiteral("T"));

bool ProfileChannelFromArgs(CliContext& ctx, int& channel)
{
    channel = -1;
    if (!ctx.args.isSet(kProfileChannelOption))
        return true;
    const QString name = ctx.args.value(kProfileChannelOption).toUpper();
    if (name.size() != 2 || name[0] != QLatin1Char('T') || name[1] < QLatin1Char('1') || name[1] > QLatin1Char('4')) {
        ctx.fail(QStringLiteral("--channel must be T1, T2, T3 or T4"));
        return false;
    }
    channel = name[1].unicode() - '1';
    return true;
}

int ProfileFromArgs(CliContext& ctx, std::optional<Profile>& profile, int& channel)
{
    if (!ProfileChannelFromArgs(ctx, channel))
        return kCliUsage;
    if (!ctx.args.isSet(kProfileOption)) {
        if (channel < 0)
            return kCliOk;
        ctx.fail(QStringLiteral("--channel needs --profile"));
        return kCliUsage;
    }
    Result<Profile> read = ReadProfileFile(ctx.args.value(kProfileOption));
    if (!read.ok()) {
        ctx.fail(read.error());
        return kCliFailed;
    }
    profile = std::move(read).value();
    return kCliOk;
}

void PrintProfileResults(CliContext& ctx, const Profile& p, const std::vector<RuleResult>& results, RuleVerdict verdict)
{
    ctx.out << "Result\tRule\tChannel\tMeasured\tLimit\tFirst violation or why not checked\n";
    for (std::size_t i = 0; i < results.size(); ++i) {
        const RuleResult& r = results[i];
        ctx.out << VerdictText(r.verdict) << '\t' << p.rules[i].name << '\t' << ProfileChannelName(p.rules[i].channel)
                << '\t' << r.measuredText << '\t' << r.limitText << '\t' << ResultDetailText(r, p.unit) << '\n';
    }
    ctx.out << "Verdict: " << VerdictText(verdict) << '\n';
}

void PrintProfileJson(CliContext& ctx, const Profile& p, const std::vector<RuleResult>& results, RuleVerdict verdict,
                      const QString& run, bool indented)
{
    QJsonArray rules;
    for (std::size_t i = 0; i < results.size(); ++i) {
        const RuleResult& r = results[i];
        const ProfileRule& rule = p.rules[i];
        QJsonObject o{{QStringLiteral("name"), rule.name},
                      {QStringLiteral("kind"), RuleKindName(rule.kind)},
                      {QStringLiteral("channel"), ProfileChannelName(rule.channel)},
                      {QStringLiteral("line"), rule.line},
                      {QStringLiteral("result"), VerdictText(r.verdict)},
                      {QStringLiteral("measured"), std::isnan(r.measured) ? QJsonValue() : QJsonValue(r.measured)},
                      {QStringLiteral("measuredText"), r.measuredText},
                      {QStringLiteral("limit"), r.limitText},
                      {QStringLiteral("reason"), r.reason}};
        if (r.violated)
            o.insert(QStringLiteral("firstViolation"),
                     QJsonObject{{QStringLiteral("seconds"), r.violationSeconds},
                                 {QStringLiteral("value"),
                                  std::isnan(r.violationValue) ? QJsonValue() : QJsonValue(r.violationValue)}});
        else
            o.insert(QStringLiteral("firstViolation"), QJsonValue());
        rules.append(o);
    }
    const QJsonObject doc{{QStringLiteral("profile"), p.name},
                          {QStringLiteral("unit"), p.unit},
                          {QStringLiteral("run"), run},
                          {QStringLiteral("verdict"), VerdictText(verdict)},
                          {QStringLiteral("rules"), rules}};
    ctx.out << QJsonDocument(doc).toJson(indented ? QJsonDocument::Indented : QJsonDocument::Compact);
    if (!indented)
        ctx.out << '\n';
}

int VerdictExitCode(RuleVerdict verdict)
{
    return verdict == RuleVerdict::Passed ? kCliOk : verdict == RuleVerdict::Failed ? kCliCheckFailed : kCliFailed;
}

}  // namespace kelvor
