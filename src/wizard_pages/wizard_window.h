#pragma once

#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>
#include <functional>
#include <memory>

#include "gui_base/request_channel.h"
#include "wizard/wizard_families.h"
#include "wizard/wizard_sheet.h"

namespace zvr {

class CCalTransferDlg;
class CProcessDlg;
class RestorePoints;
class SettingsStore;

// What a wizard window needs of the program: the controller link, the person, the settings
// the plot set-up goes to, and the main window's commands.
struct WizardWindowLinks {
    CControllerProtocol& link;
    UserPrompt& prompt;
    SettingsStore* settings = nullptr;
    std::function<void(int)> postCommand;
    // Where the wizard's write keeps the controller's calibration first; none: it writes
    // every value.
    RestorePoints* restorePoints = nullptr;
};

// The calibration wizard's window: the sheet's current page built from its form (a heading,
// then one row per visible control), Back/Next/Finish as the sheet's button mask says and
// Cancel always, the page's "Retain Current Values" button while offered, the Summary as a
// three-column list, and the analog calibration process dialog. The sheet's requests are
// answered on the window's request channel; the transfer dialog walks the whole read and
// write.
class CWizardWindow : public QDialog, public WizardPresenter {
    Q_OBJECT
public:
    CWizardWindow(WizardWindowLinks links, const WizardSheetMaker& make, QWidget* parent = nullptr);
    ~CWizardWindow() override;

    // Starts the sheet; false when it cannot be shown (its messages have said why).
    bool Start();
    // Start and run modally; the way the sheet ended.
    WizardEnd Run();

    WizardSheet& sheet() { return *sheet_; }
    QLabel* heading() const { return heading_; }
    QPushButton* backButton() const { return back_; }
    QPushButton* nextButton() const { return next_; }
    QPushButton* finishButton() const { return finish_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* retainButton() const { return retain_; }
    QTreeWidget* summaryList() const { return summary_; }
    CProcessDlg* processDialog() const { return process_; }
    CCalTransferDlg* transferDialog() const { return transfer_; }
    // The widget of a visible control of the current page, by its field id.
    QWidget* field(const char* id) const;

    // WizardPresenter
    void ShowPage(const WizardPage& page) override;
    void SetButtons(int mask) override;
    void ShowProcess(const ProcessPrompt& prompt) override;
    void HideProcess() override;
    void ShowLive(const WizardPage& page) override;
    void PostCommand(int command) override;

protected:
    // Escape and the close box are Cancel.
    void reject() override;

private:
    void BuildForm(const WizardPage& page);
    QWidget* MakeField(const WizardField& field);
    void ShowSummary();
    // Grows the window to what the pages shown so far need.
    void FitPage();
    void OrderTabs();
    // After every action and notification: closes the window once the sheet has ended.
    void AfterAction();

    WizardWindowLinks links_;
    RequestChannel channel_;
    CCalTransferDlg* transfer_;
    CProcessDlg* process_;
    QLabel* heading_;
    QWidget* formArea_;
    QPointer<QWidget> form_;
    QTreeWidget* summary_;
    QPushButton* back_;
    QPushButton* next_;
    QPushButton* finish_;
    QPushButton* cancel_;
    QPushButton* retain_;
    std::unique_ptr<WizardSheet> sheet_;
    bool closing_ = false;
    QSize fitted_;
};

}  // namespace zvr
