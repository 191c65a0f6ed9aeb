#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <string>

namespace zvr {

class CMainFrame;

// The picture a scripted run (--screenshot FILE) saves before the program ends. It waits for
// the first look a user would have: the connected window with the Parameter View showing
// live values. A run always ends with a picture of what is on screen: a message box that
// stays up (a port that cannot be opened) or 60 seconds without a connection end the wait,
// and the picture then shows the window with that message box.
class ScriptedScreenshot : public QObject {
public:
    ScriptedScreenshot(CMainFrame& frame, std::string file);

private:
    void Check();
    void OpenParameterView();
    // Saves the picture after a moment for painting, says what it shows and ends the program:
    // exit code 0 only for a saved picture of live values.
    void Finish(const char* shows, bool live);

    CMainFrame& frame_;
    std::string file_;
    QTimer poll_;
    QElapsedTimer started_;
    QElapsedTimer modalSince_;
    bool viewOpened_ = false;
    int valueSets_ = 0;
    bool finishing_ = false;
};

}  // namespace zvr
