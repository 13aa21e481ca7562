// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/ui/chartcustomizedialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "chart/chartmodel.h"

namespace kelvor {

namespace {
QColor colorOf(int bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }
int bgrOf(const QColor& c) { return c.red() | (c.green() << 8) | (c.blue() << 16); }

QLineEdit* lineEdit(const QString& name, const QString& text)
{
    auto* e = new QLineEdit(text);
    e->setObjectName(name);
    return e;
}

QCheckBox* checkBox(const QString& name, const QString& text, bool on)
{
    auto* c = new QCheckBox(text);
    c->setObjectName(name);
    c->setChecked(on);
    return c;
}

QComboBox* comboBox(const QString& name, const QList<std::pair<QString, int>>& items, int current)
{
    auto* c = new QComboBox;
    c->setObjectName(name);
    for (const auto& [text, value] : items)
        c->addItem(text, value);
    c->setCurrentIndex(std::max(0, c->findData(current)));
    return c;
}
}  // namespace

ChartCustomizeDialog::ChartCustomizeDialog(ChartModel& chart, QWidget* parent) : QDialog(parent), m_chart(chart)
{
    setObjectName(QStringLiteral("ChartCustomizeDialog"));
    setWindowTitle(QStringLiteral("Graph Option"));
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("pages"));

    if (chart.AllowPage1()) {
        auto* page = new QWidget;
        page->setObjectName(QStringLiteral("pageTitles"));
        auto* form = new QFormLayout(page);
        form->addRow(QStringLiteral("Main title"),
                     m_mainTitle = lineEdit(QStringLiteral("edtMainTitle"), chart.MainTitle()));
        form->addRow(QStringLiteral("Subtitle"),
                     m_subTitle = lineEdit(QStringLiteral("edtSubTitle"), chart.SubTitle()));
        form->addRow(QStringLiteral("X axis label"),
                     m_xLabel = lineEdit(QStringLiteral("edtXAxisLabel"), chart.XAxisLabel()));
        m_pages->addTab(page, QStringLiteral("Titles"));
    }
    if (chart.AllowPage2()) {
        auto* page = new QWidget;
        page->setObjectName(QStringLiteral("pageOptions"));
        auto* box = new QVBoxLayout(page);
        box->addWidget(m_showAnnotations = checkBox(QStringLiteral("chkShowAnnotations"),
                                                    QStringLiteral("Show annotations"), chart.ShowGraphAnnotations()));
        box->addWidget(m_showVertLines =
                           checkBox(QStringLiteral("chkShowLineAnnotations"), QStringLiteral("Show line annotations"),
                                    chart.ShowVertLineAnnotations()));
        box->addWidget(m_dataHotSpots = checkBox(QStringLiteral("chkDataHotSpots"),
                                                 QStringLiteral("Data point hot spots"), chart.AllowDataHotSpots()));
        box->addStretch();
        m_pages->addTab(page, QStringLiteral("Options"));
    }
    if (chart.AllowSubsetsPage()) {
        auto* page = new QWidget;
        page->setObjectName(QStringLiteral("pageSubsets"));
        auto* form = new QFormLayout(page);
        for (int s = 0; s < chart.Subsets(); ++s) {
            auto* label = lineEdit(QStringLiteral("edtSubsetLabel%1").arg(s), chart.SubsetLabels(s));
            auto* color = colorButton(QStringLiteral("btnSubsetColor%1").arg(s), chart.SubsetColors(s));
            auto* row = new QHBoxLayout;
            row->addWidget(label);
            row->addWidget(color);
            form->addRow(QStringLiteral("Subset %1").arg(s + 1), row);
            m_subsetLabels.push_back(label);
            m_subsetColors.push_back(color);
        }
        m_pages->addTab(page, QStringLiteral("Subsets"));
    }
    if (chart.AllowFontPage()) {
        auto* page = new QWidget;
        page->setObjectName(QStringLiteral("pageFonts"));
        auto* form = new QFormLayout(page);
        m_annotationTextSize = new QSpinBox;
        m_annotationTextSize->setObjectName(QStringLiteral("spnAnnotationTextSize"));
        m_annotationTextSize->setRange(20, 400);
        m_annotationTextSize->setSuffix(QStringLiteral(" %"));
        m_annotationTextSize->setValue(chart.GraphAnnotationTextSize());
        form->addRow(QStringLiteral("Annotation text size"), m_annotationTextSize);
        m_pages->addTab(page, QStringLiteral("Fonts"));
    }
    if (chart.AllowAxisPage()) {
        auto* page = new QWidget;
        page->setObjectName(QStringLiteral("pageAxis"));
        auto* form = new QFormLayout(page);
        for (int a = 0; a < std::max<int>(1, int(chart.axisLayout().size())); ++a) {
            const ChartAxisY& axis = chart.axisY(a);
            auto* label = lineEdit(QStringLiteral("edtAxisLabel%1").arg(a), axis.label);
            auto* lo = new QDoubleSpinBox;
            auto* hi = new QDoubleSpinBox;
            for (auto* spin : {lo, hi}) {
                spin->setRange(-1e6, 1e6);
                spin->setDecimals(1);
            }
            lo->setObjectName(QStringLiteral("edtAxisMin%1").arg(a));
            hi->setObjectName(QStringLiteral("edtAxisMax%1").arg(a));
            lo->setValue(axis.manualMin);
            hi->setValue(axis.manualMax);
            auto* row = new QHBoxLayout;
            row->addWidget(label);
            row->addWidget(lo);
            row->addWidget(hi);
            form->addRow(QStringLiteral("Axis %1").arg(a + 1), row);
            m_axisLabels.push_back(label);
            m_axisMin.push_back(lo);
            m_axisMax.push_back(hi);
        }
        m_pages->addTab(page, QStringLiteral("Axis"));
    }
    {
        auto* page = new QWidget;
        page->setObjectName(QStringLiteral("pageStyle"));
        auto* form = new QFormLayout(page);
        form->addRow(QStringLiteral("Graph foreground"),
                     m_foreColor = colorButton(QStringLiteral("btnGraphForeColor"), chart.GraphForeColor()));
        form->addRow(QStringLiteral("Graph background"),
                     m_backColor = colorButton(QStringLiteral("btnGraphBackColor"), chart.GraphBackColor()));
        form->addRow(QStringLiteral("Desk"),
                     m_deskColor = colorButton(QStringLiteral("btnDeskColor"), chart.DeskColor()));
        form->addRow(QStringLiteral("Text"),
                     m_textColor = colorButton(QStringLiteral("btnTextColor"), chart.TextColor()));
        form->addRow(QStringLiteral("Grid"), m_gridStyle = comboBox(QStringLiteral("cmbGridStyle"),
                                                                    {{QStringLiteral("Dotted"), sgDot},
                                                                     {QStringLiteral("Solid"), sgThin},
                                                                     {QStringLiteral("Thick"), sgThick},
                                                                     {QStringLiteral("Dashed"), sgDash},
                                                                     {QStringLiteral("None"), sgNoGrid}},
                                                                    chart.GridStyle()));
        form->addRow(QStringLiteral("Plotting"),
                     m_plottingMethod = comboBox(QStringLiteral("cmbPlottingMethod"),
                                                 {{QStringLiteral("Line"), sgLine},
                                                  {QStringLiteral("Points"), sgPoint},
                                                  {QStringLiteral("Points and line"), sgPointsPlusLine}},
                                                 chart.PlottingMethod()));
        form->addRow(QStringLiteral("Viewing"),
                     m_viewingStyle =
                         comboBox(QStringLiteral("cmbViewingStyle"),
                                  {{QStringLiteral("Colour"), sgColor}, {QStringLiteral("Monochrome"), sgMonochrome}},
                                  chart.ViewingStyle()));
        m_pages->addTab(page, QStringLiteral("Style"));
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttons"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* box = new QVBoxLayout(this);
    box->addWidget(m_pages);
    box->addWidget(buttons);
}

QPushButton* ChartCustomizeDialog::colorButton(const QString& name, int bgr)
{
    auto* b = new QPushButton;
    b->setObjectName(name);
    b->setFixedWidth(48);
    connect(b, &QPushButton::clicked, this, [this, b] { pickColor(b); });
    b->setProperty("bgr", bgr);
    b->setStyleSheet(QStringLiteral("background-color: %1").arg(colorOf(bgr).name()));
    return b;
}

void ChartCustomizeDialog::pickColor(QPushButton* button)
{
    const QColor c = QColorDialog::getColor(colorOf(button->property("bgr").toInt()), this);
    if (c.isValid())
        setColor(button->objectName(), bgrOf(c));
}

int ChartCustomizeDialog::color(const QString& buttonName) const
{
    const auto* b = findChild<QPushButton*>(buttonName);
    return b ? b->property("bgr").toInt() : -1;
}

void ChartCustomizeDialog::setColor(const QString& buttonName, int bgr)
{
    if (auto* b = findChild<QPushButton*>(buttonName)) {
        b->setProperty("bgr", bgr & 0xFFFFFF);
        b->setStyleSheet(QStringLiteral("background-color: %1").arg(colorOf(bgr).name()));
    }
}

void ChartCustomizeDialog::apply()
{
    ChartModel& c = m_chart;
    if (m_mainTitle) {
        c.setMainTitle(m_mainTitle->text());
        c.setSubTitle(m_subTitle->text());
        c.setXAxisLabel(m_xLabel->text());
    }
    if (m_showAnnotations) {
        c.setShowGraphAnnotations(m_showAnnotations->isChecked());
        c.setShowVertLineAnnotations(m_showVertLines->isChecked());
        c.setAllowDataHotSpots(m_dataHotSpots->isChecked());
    }
    for (size_t s = 0; s < m_subsetLabels.size(); ++s) {
        c.setSubsetLabels(int(s), m_subsetLabels[s]->text());
        c.setSubsetColors(int(s), m_subsetColors[s]->property("bgr").toInt());
    }
    if (m_annotationTextSize)
        c.setGraphAnnotationTextSize(m_annotationTextSize->value());
    if (!m_axisLabels.empty()) {
        const int working = c.WorkingAxis();
        for (size_t a = 0; a < m_axisLabels.size(); ++a) {
            c.setWorkingAxis(int(a));
            c.setYAxisLabel(m_axisLabels[a]->text());
            c.setManualScaleControlY(sgManualMinAndMax);
            c.setManualMinY(m_axisMin[a]->value());
            c.setManualMaxY(m_axisMax[a]->value());
        }
        c.setWorkingAxis(working);
    }
    c.setGraphForeColor(m_foreColor->property("bgr").toInt());
    c.setGraphBackColor(m_backColor->property("bgr").toInt());
    c.setDeskColor(m_deskColor->property("bgr").toInt());
    c.setTextColor(m_textColor->property("bgr").toInt());
    c.setGridStyle(m_gridStyle->currentData().toInt());
    c.setPlottingMethod(m_plottingMethod->currentData().toInt());
    c.setViewingStyle(m_viewingStyle->currentData().toInt());
}

}  // namespace kelvor
