// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QDoubleSpinBox;
class QTabWidget;

namespace kelvor {

class ChartModel;

// "Graph Option": the chart's own customisation dialog. It edits a copy of the values
// and writes them to the chart only through apply() (after OK). Pages hidden by the
// chart's AllowFontPage, AllowPage1, AllowPage2, AllowSubsetsPage and AllowAxisPage are
// left out; the style page is always there.
class ChartCustomizeDialog : public QDialog {
    Q_OBJECT
public:
    explicit ChartCustomizeDialog(ChartModel& chart, QWidget* parent = nullptr);

    void apply();
    QTabWidget* pages() const { return m_pages; }
    // The colour a colour button holds (0x00BBGGRR); tests set it directly.
    int color(const QString& buttonName) const;
    void setColor(const QString& buttonName, int bgr);

private:
    QPushButton* colorButton(const QString& name, int bgr);
    void pickColor(QPushButton* button);

    ChartModel& m_chart;
    QTabWidget* m_pages = nullptr;
    QLineEdit* m_mainTitle = nullptr;
    QLineEdit* m_subTitle = nullptr;
    QLineEdit* m_xLabel = nullptr;
    QCheckBox* m_showAnnotations = nullptr;
    QCheckBox* m_showVertLines = nullptr;
    QCheckBox* m_dataHotSpots = nullptr;
    std::vector<QLineEdit*> m_subsetLabels;
    std::vector<QPushButton*> m_subsetColors;
    QSpinBox* m_annotationTextSize = nullptr;
    std::vector<QLineEdit*> m_axisLabels;
    std::vector<QDoubleSpinBox*> m_axisMin;
    std::vector<QDoubleSpinBox*> m_axisMax;
    QPushButton* m_foreColor = nullptr;
    QPushButton* m_backColor = nullptr;
    QPushButton* m_deskColor = nullptr;
    QPushButton* m_textColor = nullptr;
    QComboBox* m_gridStyle = nullptr;
    QComboBox* m_plottingMethod = nullptr;
    QComboBox* m_viewingStyle = nullptr;
};

}  // namespace kelvor
