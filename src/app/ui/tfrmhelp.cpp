// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/tfrmhelp.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QKeySequence>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace kelvor {

namespace {
const QString kBuiltInPage = QStringLiteral("qrc:/help/KELVORHELP.htm");
}  // namespace

TfrmHelp::TfrmHelp(const QString& page, QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmHelp"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("KELVOR Help"));
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("HelpBrowser"));
    m_browser->setOpenLinks(true);
    m_browser->setOpenExternalLinks(true);  // http, https, mailto: the desktop's programs
    m_browser->setAccessibleName(QStringLiteral("Help page"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    new QShortcut(QKeySequence::Close, this, this, &QWidget::close);
    new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &QWidget::close);
    new QShortcut(QKeySequence::Back, m_browser, m_browser, &QTextBrowser::backward);
    new QShortcut(QKeySequence::Forward, m_browser, m_browser, &QTextBrowser::forward);

    const bool readable = !page.isEmpty() && QFileInfo(page).isReadable();
    m_browser->setSource(readable ? QUrl::fromLocalFile(page) : QUrl(kBuiltInPage));
    resize(760, 640);
}

}  // namespace kelvor
