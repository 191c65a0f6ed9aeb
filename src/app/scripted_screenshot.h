#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <string>

namespace zvr {

class CDataServer;
class CMainFrame;

// The picture a scripted run (--screenshot FILE) saves before the program ends. It waits for
// the first look a user would have: the connected window with the Parameter View showing
// live values. A run always ends with a picture of what is on screen: a message box that
// stays up (a port that cannot be opened) or 60 seconds without a connection end the wait,
// and the picture then shows the window with that message box.
class ScriptedScreenshot : public QObject {
public:
    ScriptedScreenshot(CMainFrame& frame, CDataServer& document, std::string file);

private:
    void Check();
    // Opens the Parameter View when none is open, and counts the values each one shows.
    void WatchParameterViews();
    // Saves the picture after a moment for painting, says what it shows and ends the program:
    // exit code 0 only for a saved picture of live values.
    void Finish(const char* shows, bool live);

    CMainFrame& frame_;
    CDataServer& document_;
    std::string file_;
    QTimer poll_;
    QElapsedTimer started_;
    QElapsedTimer modalSince_;
    bool viewOpened_ = false;  // connected: a Parameter View is wanted
    QSet<const QObject*> watched_;
    int valueSets_ = 0;
    bool finishing_ = false;
};

}  // namespace zvr
