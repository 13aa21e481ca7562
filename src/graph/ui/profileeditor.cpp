// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/ui/profileeditor.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBlock>
#include <QVBoxLayout>

#include "base/atomicfile.h"
#include "profile/profilereader.h"
#include "program/prompts.h"

namespace kelvor {

namespace {

// A rule of each kind with every field it needs, for the user to fill in.
QString ruleTemplate(RuleKind kind)
{
    switch (kind) {
        case RuleKind::Band:
            return QStringLiteral(R"({"kind": "band", "name": "band", "upper": [[0, 100], [600, 100]], )"
                                  R"("lower": [[0, 0], [600, 0]]})");
        case RuleKind::Rate:
            return QStringLiteral(
                R"({"kind": "rate", "name": "ramp", "direction": "rise", "maxPerSecond": 3, "windowSeconds": 10})");
        case RuleKind::Dwell:
            return QStringLiteral(
                R"({"kind": "dwell", "name": "dwell", "above": 217, "minSeconds": 60, "maxSeconds": 150})");
        case RuleKind::Peak:
            return QStringLiteral(R"({"kind": "peak", "name": "peak", "min": 235, "max": 250, "beforeSeconds": 360})");
        case RuleKind::Cooling:
            break;
    }
    return QStringLiteral(R"({"kind": "cooling", "name": "cooling", "from": 57, "stages": [)"
                          R"({"to": 21, "withinMinutes": 120}, {"to": 5, "withinMinutes": 240}]})");
}

}  // namespace

QString ProfileEditor::starterText()
{
    return QStringLiteral(
        "{\n  \"kelvorProfile\": 1,\n  \"name\": \"New profile\",\n  \"unit\": \"°C\",\n"
        "  \"channel\": \"T1\",\n  \"rules\": [\n  ]\n}\n");
}

ProfileEditor::ProfileEditor(Prompts& prompts, QString text, QString path, QWidget* parent)
    : QDialog(parent), m_prompts(prompts), m_path(std::move(path))
{
    setObjectName(QStringLiteral("dlgProfileEditor"));
    setWindowTitle(QStringLiteral("Profile"));
    edtProfile = new QPlainTextEdit(this);
    edtProfile->setObjectName(QStringLiteral("edtProfile"));
    edtProfile->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    edtProfile->setLineWrapMode(QPlainTextEdit::NoWrap);
    edtProfile->setPlainText(text.isEmpty() ? starterText() : text);
    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setWordWrap(true);

    auto* add = new QHBoxLayout;
    add->addWidget(new QLabel(QStringLiteral("Add a rule:"), this));
    for (RuleKind kind : {RuleKind::Band, RuleKind::Rate, RuleKind::Dwell, RuleKind::Peak, RuleKind::Cooling}) {
        auto* b = new QPushButton(RuleKindName(kind), this);
        b->setObjectName(QStringLiteral("btnAdd_") + RuleKindName(kind));
        connect(b, &QPushButton::clicked, this, [this, kind] { addRule(kind); });
        add->addWidget(b);
    }
    add->addStretch();

    auto* buttons = new QDialogButtonBox(this);
    btnCheck = buttons->addButton(QStringLiteral("Check"), QDialogButtonBox::ActionRole);
    btnSave = buttons->addButton(QStringLiteral("Save…"), QDialogButtonBox::ActionRole);
    btnUse = buttons->addButton(QStringLiteral("Use"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(btnCheck, &QPushButton::clicked, this, [this] { check(); });
    connect(btnSave, &QPushButton::clicked, this, [this] { save(); });
    connect(btnUse, &QPushButton::clicked, this, &ProfileEditor::use);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(add);
    layout->addWidget(edtProfile, 1);
    layout->addWidget(lblStatus);
    layout->addWidget(buttons);
    resize(640, 420);
}

std::optional<Profile> ProfileEditor::check()
{
    const QString name = m_path.isEmpty() ? QStringLiteral("profile") : QFileInfo(m_path).fileName();
    const Result<Profile> p = ParseProfile(edtProfile->toPlainText().toUtf8(), name);
    if (!p.ok()) {
        lblStatus->setText(p.error());
        // Go to the line the message names.
        const QRegularExpressionMatch line = QRegularExpression(QStringLiteral("line (\\d+)")).match(p.error());
        if (line.hasMatch()) {
            const QTextBlock block = edtProfile->document()->findBlockByNumber(line.captured(1).toInt() - 1);
            if (block.isValid()) {
                QTextCursor at(block);
                edtProfile->setTextCursor(at);
            }
        }
        return std::nullopt;
    }
    QStringList names;
    for (const ProfileRule& r : p->rules)
        names << r.name;
    lblStatus->setText(QStringLiteral("A profile of %1 rule%2: %3")
                           .arg(p->rules.size())
                           .arg(p->rules.size() == 1 ? QString() : QStringLiteral("s"))
                           .arg(names.join(QStringLiteral(", "))));
    return p.value();
}

void ProfileEditor::addRule(RuleKind kind)
{
    // Into the rules' list when the text reads as JSON; else where the cursor is.
    QString text = edtProfile->toPlainText();
    const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8());
    const QJsonValue rules = doc.isObject() ? doc.object().value(QStringLiteral("rules")) : QJsonValue();
    const qsizetype close = text.lastIndexOf(QLatin1Char(']'), text.lastIndexOf(QLatin1Char('}')));
    if (!rules.isArray() || close < 0) {
        edtProfile->insertPlainText(ruleTemplate(kind));
        return;
    }
    qsizetype end = close;
    while (end > 0 && text[end - 1].isSpace())
        --end;
    const QString entry = (rules.toArray().isEmpty() ? QStringLiteral("\n    ") : QStringLiteral(",\n    ")) +
                          ruleTemplate(kind) + QStringLiteral("\n  ");
    text.replace(end, close - end, entry);
    edtProfile->setPlainText(text);
    check();
}

bool ProfileEditor::save()
{
    if (!check())
        return false;
    const FileChoice choice = m_prompts.saveFile(this, QStringLiteral("Save Profile"), m_path,
                                                 QStringLiteral("Profiles (*.json)"), QStringLiteral("json"));
    if (!choice.accepted())
        return false;
    const QString error = WriteFileAtomically(choice.fileName, edtProfile->toPlainText().toUtf8());
    if (!error.isEmpty()) {
        m_prompts.error(this, error);
        return false;
    }
    m_path = choice.fileName;
    lblStatus->setText(lblStatus->text() + QStringLiteral(" (saved)"));
    return true;
}

void ProfileEditor::use()
{
    if (check())
        accept();
}

}  // namespace kelvor
