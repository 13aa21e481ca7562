// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/defaultlook.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QtEndian>

#include "base/atomicfile.h"
#include "chart/chartmodel.h"
#include "graph/graphfile.h"

namespace kelvor {

void ApplyDefaultLook(ChartModel& chart, int subsets, float yMax, float yMin)
{
    chart.setShowVertLineAnnotations(true);
    chart.setAllowVertLineAnnotHotSpots(true);
    chart.setLineAnnotationTextSize(80);
    chart.setVertLineAnnotationColor(0, 0xFF0000);
    chart.setVertLineAnnotationColor(1, 0x0000FF);
    chart.setLineAnnotationTextSize(100);
    chart.setShowGraphAnnotations(true);
    chart.setGraphAnnotationTextSize(100);
    chart.setGridStyle(sgDot);
    chart.setMainTitle(QString());
    chart.setSubTitle(QStringLiteral(" "));
    for (int c = 0; c < 4; ++c)
        chart.setSubsetLabels(c, QStringLiteral("T%1").arg(c + 1));
    chart.setDateTimeMode(sgVBDateTime);
    chart.setUsingXDataII(true);
    chart.setXAxisLabel(QStringLiteral("Time"));
    chart.setAllowZooming(sgHorzPlusVertZooming);
    chart.setScrollingHorzZoom(true);
    chart.setScrollingVertZoom(true);
    chart.setGraphForeColor(0x008000);
    chart.setGraphBackColor(0);
    chart.setDeskColor(0xC0C0C0);
    chart.setTextColor(0);
    static const int colors[4] = {0xFF0000, 0xFFFF00, 0x00FF00, 0xFF00FF};
    for (int c = 0; c < 4; ++c)
        chart.setSubsetColors(c, colors[c]);
    chart.setAllowAxisPage(false);
    chart.setArrowCursor(sgArrowCursor);
    chart.setMultiAxesSeparators(sgThinLine);
    for (int a = 0; a < 4; ++a) {
        chart.setMultiAxesSubsets(a, 1);
        chart.setMultiAxesProportions(a, 0.25);
    }
    for (int a = 0; a < subsets; ++a) {
        chart.setWorkingAxis(a);
        chart.setYAxisLabel(QString());
        chart.setManualScaleControlY(sgManualMinAndMax);
        chart.setManualMinY(yMin);
        chart.setManualMaxY(yMax);
    }
}

QByteArray DefaultTemplateFile()
{
    ChartModel chart;
    chart.setSubsets(4);
    chart.setPoints(100);
    ApplyDefaultLook(chart, 4, 50.0f, -10.0f);
    for (int a = 0; a < 4; ++a) {
        chart.setWorkingAxis(a);
        chart.setManualScaleControlY(sgNone);
    }
    chart.setWorkingAxis(0);
    const QByteArray block = chart.StoreState();
    QByteArray file(4, '\0');
    qToLittleEndian(quint32(block.size()), file.data());
    return file + block;
}

QString SharedTemplateName() { return QStringLiteral("kelvor/template/graph.ghf"); }

namespace {
// The installed copy when it is a graph file the program can read, else the built-in one.
QByteArray templateToInstall()
{
    const QString shared = QStandardPaths::locate(QStandardPaths::GenericDataLocation, SharedTemplateName());
    if (!shared.isEmpty()) {
        QFile in(shared);
        if (in.open(QIODevice::ReadOnly) && in.size() <= kGraphFileMaxBlock + 4) {
            const QByteArray bytes = in.readAll();
            ChartModel check;
            if (LoadGraphFileBytes(check, bytes, shared).ok())
                return bytes;
        }
    }
    return DefaultTemplateFile();
}
}  // namespace

QString InstallDefaultTemplate(const QString& templatePath)
{
    const QFileInfo target(templatePath);
    if (target.dir().exists())
        return {};
    if (!QDir().mkpath(target.absolutePath()))
        return QStringLiteral("Cannot create the folder %1.").arg(QDir::toNativeSeparators(target.absolutePath()));
    return WriteFileAtomically(templatePath, templateToInstall());
}

}  // namespace kelvor
