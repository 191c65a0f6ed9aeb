#pragma once

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <map>
#include <string>

namespace zvr {

// The main window's two menus: the full menu of a connected controller or demo, and the
// no-controller menu (File: Exit; Help: Help Topics, About). Every command is one QAction
// whose data is its command number; both menus share them.
class MainMenus : public QObject {
    Q_OBJECT
public:
    explicit MainMenus(QWidget* owner);

    void ShowFull(QMenuBar* bar, const std::string& productWord);
    void ShowNoController(QMenuBar* bar);
    // Radio mark on the Configure entry for this port name.
    void MarkPort(const std::string& portName);

    QAction* action(int command) const;
    const std::map<int, QAction*>& actions() const { return actions_; }
    // "full" or "no controller", for tests and the status of the window.
    bool fullMenuShown() const { return fullShown_; }
    // The command has an entry in the menu shown now. The toolbar shares the menus' actions,
    // so a command out of the menu must be out of the toolbar's reach too.
    bool InShownMenu(int command) const;

signals:
    void commandTriggered(int command);

private:
    void AddCommands(QWidget* owner);
    QMenu* MakeMenu(QWidget* owner, const QString& title, const std::vector<int>& commands,
                    const std::vector<int>& separatorsAfter);

    std::map<int, QAction*> actions_;
    QActionGroup* portGroup_;
    std::vector<QMenu*> full_;
    std::vector<QMenu*> noController_;
    bool fullShown_ = false;
};

}  // namespace zvr
