// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <vector>

class QWidget;

namespace kelvor {

// What the windows tell the main window. The main window connects with itself as the
// context, so the connections end with it; with nothing connected (tests, start-up)
// there is nothing to do.
class WindowSignals : public QObject {
    Q_OBJECT
public:
    // Hands a new window to the main window's area; without a main window it shows
    // itself as a top-level window.
    void showWindow(QWidget* window);
    // Deletes the windows that showWindow showed on their own and that still have no
    // parent: they point into the program, so they must go before it does.
    void deleteOwnWindows();

signals:
    void windowOpened(QWidget* window);  // add it to the MDI area
    void outputToGraphEnabled(bool on);  // btnOutputToGraph
    void realTimeGraphChecked(bool on);  // RealTimeGraph1 check mark
    void runEnabled(bool on);            // btnRun and Run1
    void stopEnabled(bool on);           // btnStop and Stop1
    // A file was opened (File > Open, the command line, Recent Files): it goes on top
    // of File > Recent Files.
    void fileOpened(const QString& path);
    // A graph window asks the main window's Save for itself: *saved says whether its data
    // is on disk now (nothing connected: not saved).
    void saveWindowRequested(QWidget* window, bool* saved);
    // The data logger's graph asks for data set n (0-based) to be shown.
    void dataSetChosen(int set);
    // A standing condition of the library the user should see (a write-ahead log that
    // another program keeps growing); empty when it has passed.
    void libraryStatus(const QString& text);
    // How publishing to the broker goes ("MQTT: connected"); empty while it is off.
    void publishingStatus(const QString& text);
    // Real Time > Meters… took a choice: new meters or names for the status bar.
    void metersChosen();

private:
    std::vector<QPointer<QWidget>> m_ownWindows;
};

}  // namespace kelvor
