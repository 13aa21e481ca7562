// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/serveoption.h"

#include <QUrl>

namespace kelvor {

const QCommandLineOption kServeOption(QStringLiteral("serve"),
                                      QStringLiteral("Serve a live view for browsers on [ADDRESS:]PORT (address "
                                                     "127.0.0.1 unless given; 0.0.0.0 shares it on the network, "
                                                     "with an access token)."),
                                      QStringLiteral("[ADDRESS:]PORT"));
const QCommandLineOption kServeTokenOption(QStringLiteral("serve-token"),
                                           QStringLiteral("The access token of the live view (default: a random "
                                                          "one when it is shared beyond this computer)."),
                                           QStringLiteral("TEXT"));
const QCommandLineOption kServeCertOption(QStringLiteral("serve-cert"),
                                          QStringLiteral("Serve the live view over HTTPS with this PEM certificate "
                                                         "(and its key, unless --serve-key names it)."),
                                          QStringLiteral("FILE"));
const QCommandLineOption kServeKeyOption(QStringLiteral("serve-key"),
                                         QStringLiteral("The PEM private key of --serve-cert."),
                                         QStringLiteral("FILE"));

QList<QCommandLineOption> ServeOptions()
{
    return {kServeOption, kServeTokenOption, kServeCertOption, kServeKeyOption};
}

const CliOptionsAddition kServeOnCommands({QStringLiteral("live"), QStringLiteral("record")},
                                          [](QCommandLineParser& p) { p.addOptions(ServeOptions()); });

namespace {

bool tokenUsable(const QString& token)
{
    return !token.isEmpty() && token.size() <= 128 && std::all_of(token.begin(), token.end(), [](QChar c) {
        return c.unicode() < 0x80 && (c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_'));
    });
}

}  // namespace

bool ServeOptionsValid(CliContext& ctx)
{
    const bool serve = ctx.args.isSet(kServeOption);
    for (const QCommandLineOption& o : {kServeTokenOption, kServeCertOption, kServeKeyOption}) {
        if (!serve && ctx.args.isSet(o)) {
            ctx.fail(QStringLiteral("--%1 needs --serve").arg(o.names().constFirst()));
            return false;
        }
    }
    if (!serve)
        return true;
    const Result<ServeAddress> where = ParseServeAddress(ctx.args.value(kServeOption));
    if (!where) {
        ctx.fail(where.error());
        return false;
    }
    if (ctx.args.isSet(kServeTokenOption) && !tokenUsable(ctx.args.value(kServeTokenOption))) {
        ctx.fail(QStringLiteral("--serve-token takes 1 to 128 letters, digits, '-' and '_'"));
        return false;
    }
    if (ctx.args.isSet(kServeKeyOption) && !ctx.args.isSet(kServeCertOption)) {
        ctx.fail(QStringLiteral("--serve-key needs --serve-cert"));
        return false;
    }
    return true;
}

bool StartServing(CliContext& ctx, std::unique_ptr<WebServer>& server)
{
    if (!ctx.args.isSet(kServeOption))
        return true;
    WebServeOptions options;
    options.where = ParseServeAddress(ctx.args.value(kServeOption)).value();
    options.token = ctx.args.value(kServeTokenOption).toLatin1();
    options.certificateFile = ctx.args.value(kServeCertOption);
    options.keyFile = ctx.args.value(kServeKeyOption);
    auto made = std::make_unique<WebServer>(ctx.clock);
    const Status started = made->start(options);
    if (!started) {
        ctx.fail(QStringLiteral("cannot serve the live view: %1").arg(started.error()));
        return false;
    }
    ctx.err << "kelvor-cli: live view at " << made->link().toString(QUrl::FullyEncoded) << '\n';
    ctx.err.flush();
    ctx.setServing(true);
    server = std::move(made);
    return true;
}

}  // namespace kelvor
