#include "app/main_menus.h"

#include <QKeySequence>

#include "connection/command_ids.h"
#include "connection/controller_model.h"
#include "gui_base/latin1.h"

namespace zvr {

namespace {

struct CommandText {
    int command;
    const char* text;
    const char* prompt;  // status-bar prompt, then "\n" and the tooltip where there is one
};

// Texts as the menus show them; "%s" stands for the product word of the controller. The
// Configure menu's demo entries come from the family registry.
constexpr CommandText kCommands[] = {
    {kCmdSaveCal, "&Save %s Cal to File",
     "Reads Current Calibration values and writes to an ZVR file."},
    {kCmdViewComments, "&View Cal File Comments",
     "Shows a list of the current cal file comments and allows editing."},
    {kCmdViewTextFile, "View &Text File",
     "Prompts for a *.txt file and opens with default viewer."},
    {kCmdTuningLog, "Tuning &Log...",
     "Shows the gains written and the steps measured in the Parameter Plot.\nTuning Log"},
    {kCmdConvertControllerToText, "Convert %s Cal to text",
     "Reads Controller Calibration and generates a text file with the values."},
    {kCmdConvertFileToText, "Convert Cal File to Text",
     "Prompts for a cal file and converts the binary content to text."},
    {kCmdConvertFileToStrategy, "Convert Cal file to Strategy",
     "Copies the calibration values from a selected file to the current stragety."},
    {kCmdRestorePoints, "Restore Points...",
     "Lists the calibrations kept before each write to this controller, compares and "
     "restores them."},
    {kCmdPrint, "P&rint...", "Print the active document\nPrint"},
    {kCmdPrintPreview, "P&rint Preview", "Display full pages\nPrint Preview"},
    {kCmdPrintSetup, "P&rint Setup...", "Change the printer and printing options\nPrint Setup"},
    {kCmdExit, "E&xit", "Quit the application."},
    {kCmdChangeCalibration, "Change %s Calibration",
     "Allows users to edit controller parameters such as PID.\nChange Calibration"},
    {kCmdDownloadCal, "Download Cal File to %s",
     "Writes all the current cal file values to the controller."},
    {kCmdCompareCal, "Compare %s Cal to File",
     "Compares the controller cal values to the values in a file."},
    {kCmdChangePassword, "Change %s Password",
     "Allows access to change controller parameters such as PID."},
    {kCmdCalibrationWizard, "Calibration Wizard",
     "Start the Calibration Wizard\nCalibration Wizard"},
    {kCmdParameterView, "Parameter View",
     "Reads and displays a select group of controller variables as a list.\nParameter View"},
    {kCmdParameterPlot, "Parameter Plot",
     "Reads and displays 2 controller variables as a plot vs. time.\nParameter Plot"},
    {kCmdDisplayFaults, "Display Faults",
     "Reads and displays the current controller status and faults.\nDisplay Faults"},
    {kCmdControlStrategy, "Control Strategy",
     "Displays the current controller model and calibration file stragety."},
    {kCmdParameterList, "Parameter List", "Configures the parameter view list."},
    {kCmdCom1, "COM 1", "Set Serial Port to Com 1"},
    {kCmdCom2, "COM 2", "Set Serial Port to Com 2"},
    {kCmdCustomPort, "Custom Serial Port", "Prompts to type in Com Port COM3, COM4, etc."},
    {kCmdHelpTopics, "&Help Topics", "List Help topics\nHelp Topics"},
    {kCmdAbout, "&About ZVR...",
     "Display program information, version number and copyright\nAbout"},
    {kCmdUserManuals, "User Manuals", ""},
};

// The standard keys of the commands that save and open a file and show help, shown beside
// them in the menus. Change Calibration keeps F1 for the help of its selected scalar.
const std::pair<int, QKeySequence::StandardKey> kShortcuts[] = {
    {kCmdSaveCal, QKeySequence::Save},
    {kCmdViewTextFile, QKeySequence::Open},
    {kCmdHelpTopics, QKeySequence::HelpContents},
};

// Every command with its texts: the fixed ones, then each family's demo entry.
std::vector<CommandText> AllCommands() {
    std::vector<CommandText> all(std::begin(kCommands), std::end(kCommands));
    for (const ControllerModel& model : ControllerModels())
        all.push_back({model.menuCommand, model.menuText, model.menuPrompt});
    return all;
}

// The Configure menu, one radio group: the COM ports, the demos in the registry's order, Custom.
std::vector<int> PortCommands() {
    std::vector<int> commands = {kCmdCom1, kCmdCom2};
    for (const ControllerModel& model : ControllerModels())
        commands.push_back(model.menuCommand);
    commands.push_back(kCmdCustomPort);
    return commands;
}

}  // namespace

MainMenus::MainMenus(QWidget* owner) : QObject(owner), portGroup_(new QActionGroup(this)) {
    AddCommands(owner);
    full_ = {
        MakeMenu(owner, QStringLiteral("&File"),
                 {kCmdSaveCal, kCmdViewComments, kCmdViewTextFile, kCmdTuningLog,
                  kCmdConvertControllerToText, kCmdConvertFileToText, kCmdConvertFileToStrategy,
                  kCmdRestorePoints, kCmdPrint, kCmdPrintPreview, kCmdPrintSetup, kCmdExit},
                 {kCmdTuningLog, kCmdConvertFileToStrategy, kCmdRestorePoints, kCmdPrintSetup}),
        MakeMenu(owner, QStringLiteral("&Calibrate"),
                 {kCmdChangeCalibration, kCmdDownloadCal, kCmdCompareCal, kCmdChangePassword,
                  kCmdCalibrationWizard},
                 {}),
        MakeMenu(owner, QStringLiteral("&Monitor"),
                 {kCmdParameterView, kCmdParameterPlot, kCmdDisplayFaults, kCmdControlStrategy,
                  kCmdParameterList},
                 {kCmdDisplayFaults, kCmdControlStrategy}),
        MakeMenu(owner, QStringLiteral("C&onfigure"), PortCommands(),
                 {kCmdCom2, ControllerModels().back().menuCommand}),
        MakeMenu(owner, QStringLiteral("&Help"), {kCmdHelpTopics, kCmdAbout, kCmdUserManuals},
                 {kCmdHelpTopics}),
    };
    noController_ = {
        MakeMenu(owner, QStringLiteral("&File"), {kCmdTuningLog, kCmdExit}, {kCmdTuningLog}),
        MakeMenu(owner, QStringLiteral("&Help"), {kCmdHelpTopics, kCmdAbout}, {kCmdHelpTopics}),
    };
}

void MainMenus::AddCommands(QWidget* owner) {
    for (const CommandText& c : AllCommands()) {
        // Until a controller names its product, the product word is the default one.
        const std::string text = ProductMenuText(c.command, ProductWord({})).value_or(c.text);
        auto* action = new QAction(ToQ(text), owner);
        const QStringList prompt = ToQ(c.prompt).split(QLatin1Char('\n'));
        action->setStatusTip(prompt.value(0));
        // Without a tooltip of its own an action's tooltip is its text, so a toolbar button
        // follows the menu text when the product word changes.
        if (prompt.size() > 1) action->setToolTip(prompt.value(1));
        action->setData(c.command);
        connect(action, &QAction::triggered, this,
                [this, command = c.command] { emit commandTriggered(command); });
        actions_[c.command] = action;
    }
    // Its ellipsis is one character, which the single-byte table cannot hold.
    actions_[kCmdRestorePoints]->setText(QStringLiteral("Restore Points\u2026"));
    for (auto [command, key] : kShortcuts)
        actions_[command]->setShortcut(key);
    for (int command : PortCommands()) {
        actions_[command]->setCheckable(true);
        portGroup_->addAction(actions_[command]);
    }
}

QMenu* MainMenus::MakeMenu(QWidget* owner, const QString& title, const std::vector<int>& commands,
                           const std::vector<int>& separatorsAfter) {
    auto* menu = new QMenu(title, owner);
    for (int command : commands) {
        menu->addAction(actions_.at(command));
        if (std::find(separatorsAfter.begin(), separatorsAfter.end(), command) !=
            separatorsAfter.end()) {
            menu->addSeparator();
        }
    }
    return menu;
}

void MainMenus::ShowFull(QMenuBar* bar, const std::string& productWord) {
    for (auto& [command, action] : actions_) {
        if (auto text = ProductMenuText(command, productWord)) action->setText(ToQ(*text));
    }
    bar->clear();
    for (QMenu* menu : full_)
        bar->addMenu(menu);
    fullShown_ = true;
}

void MainMenus::ShowNoController(QMenuBar* bar) {
    bar->clear();
    for (QMenu* menu : noController_)
        bar->addMenu(menu);
    fullShown_ = false;
}

bool MainMenus::InShownMenu(int command) const {
    if (fullShown_) return true;
    const QAction* wanted = action(command);
    for (const QMenu* menu : noController_) {
        if (menu->actions().contains(const_cast<QAction*>(wanted))) return true;
    }
    return false;
}

void MainMenus::MarkPort(const std::string& portName) {
    actions_.at(ConfigureEntryFor(portName))->setChecked(true);
}

QAction* MainMenus::action(int command) const {
    auto it = actions_.find(command);
    return it != actions_.end() ? it->second : nullptr;
}

}  // namespace zvr
