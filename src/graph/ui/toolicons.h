// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCursor>
#include <QIcon>

namespace kelvor {

// The graph window's 16 x 16 tool bar pictures, drawn rather than shipped as files.
enum class GraphTool { Statistic, LineCursor, Arrow, Cross, Text, Colour, Clear };
QIcon graphToolIcon(GraphTool tool);
// The cross tool's cursor: a black X with a white outline centred on (15, 15); its hot
// spot is the top-left pixel, so a click is moved by (15, 15) to the centre.
QCursor crossCursor();

}  // namespace kelvor
