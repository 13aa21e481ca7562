// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <optional>

#include "profile/profile.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace kelvor {

class Prompts;

// Builds and checks a profile (docs/profiles.md) as its JSON text: a button per rule
// kind adds a rule to fill in, Check reads the text as a profile file is read and says
// what is wrong with the line and field (and goes to that line), Save writes the file
// once it reads as a profile, Use takes it into the graph window.
class ProfileEditor : public QDialog {
    Q_OBJECT
public:
    ProfileEditor(Prompts& prompts, QString text, QString path, QWidget* parent = nullptr);

    // The text as a profile; none (after saying why in the status line) when it is not one.
    std::optional<Profile> check();
    // Asks where (through the prompts) and writes the text, once it reads as a profile.
    bool save();
    void addRule(RuleKind kind);
    QString path() const { return m_path; }
    // A profile to start from: a name, the unit, the channel and no rules yet.
    static QString starterText();

    QPlainTextEdit* edtProfile;
    QLabel* lblStatus;
    QPushButton* btnCheck;
    QPushButton* btnSave;
    QPushButton* btnUse;

private:
    void use();

    Prompts& m_prompts;
    QString m_path;
};

}  // namespace kelvor
