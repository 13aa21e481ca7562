// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <cstdint>

namespace kelvor {

class Program;
class TfrmGraph;
struct DataSetStore;
struct RecordingData;

// Recordings opened in a graph window are read as an envelope of at most this many
// points; the statistics are always those of every sample.
inline constexpr std::size_t kGraphPointsFromLibrary = 20000;

// Opens the library in the program's data folder for the journal, downloads and the
// Library window.
void InstallLibrary(Program& program);

// Keeps a freshly decoded download in the library; a problem is told to the user.
void StoreDownloadInLibrary(Program& program, const QByteArray& image, const DataSetStore& decoded);

// At start: recordings left in the "recording" state by a program that died are
// marked interrupted, and for each the user is asked whether to open it.
void OfferInterruptedRecordings(Program& program);

// Shows a recording in a new graph window with its statistics and annotations.
// `unsaved`: closing the window asks to save it.
TfrmGraph* OpenRecordingInGraph(Program& program, const RecordingData& data, bool unsaved);
// Opens library item `id`: a recording in a graph window, a download in the
// DataLogger window as after a download. False when it could not be read (told).
bool OpenLibraryItem(Program& program, std::int64_t id);

}  // namespace kelvor
