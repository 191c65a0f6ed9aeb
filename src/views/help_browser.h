#pragma once

#include <QString>
#include <QTextBrowser>
#include <QWidget>

namespace zvr {

// ZVR's help: a window of its own over the help pages shipped with the program
// (share/zvr/help beside the strategies, or $ZVR_DATA_DIR/help).
class CHelpBrowser : public QWidget {
    Q_OBJECT
public:
    explicit CHelpBrowser(QString directory, QWidget* parent = nullptr);

    // Opens the page of a help context; the contents for a context without a page.
    void ShowContext(int context);
    void ShowContents();
    QTextBrowser* browser() const { return browser_; }

private:
    void Open(const QString& page);

    QString directory_;
    QTextBrowser* browser_;
};

// The folder the help pages are in; empty when none is found.
QString HelpDirectory();

// Shows the help of a context in the program's one help window, opening it when needed.
// A missing help folder shows the window with a line saying so.
void ShowHelp(int context, QWidget* parent);
void ShowHelpContents(QWidget* parent);

}  // namespace zvr
