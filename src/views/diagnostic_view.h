#pragma once

#include <QGroupBox>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>
#include <array>
#include <optional>

#include "monitoring/fault_list.h"
#include "views/comm_timeout_dialog.h"
#include "views/form_view.h"

namespace zvr {

class UserPrompt;

// Display Faults ("Diagnostic View"): the active faults, read continuously, and the fault
// history stored in the EE_FAULTS_n scalars; commands that clear either.
class CDiagnosticView : public CFormView {
    Q_OBJECT
public:
    static constexpr uint32_t kFlagsArrived = 1124;
    static constexpr uint32_t kFlagsFailed = 1125;
    static constexpr uint32_t kClearWritten = 1126;
    static constexpr uint32_t kClearFailed = 1127;
    static constexpr uint32_t kRetry = 1128;
    static constexpr uint32_t kRetryCancelled = 1129;
    static constexpr uint32_t kHistoryArrived = 1130;
    static constexpr uint32_t kHistoryFailed = 1131;

    enum ButtonId {
        kStartButton = 1000,
        kClearCurrent = 1001,
        kClearHistory = 1002,
        kUpdateHistory = 1003
    };

    static constexpr const char* kClearHistoryQuestion =
        "Erase the fault history stored in the controller?\r\n"
        "The erased faults cannot be read again.";

    CDiagnosticView(CDataServer& document, UserPrompt& prompt, QWidget* parent = nullptr);
    ~CDiagnosticView() override;

    void OnInitialUpdate() override;
    void OnStartPause();
    void UpdateHistory();
    void ClearCurrentFaults();
    // Asks first; only a Yes erases the history.
    void ClearHistoricalFaults();

    bool running() const { return running_; }
    bool historyAvailable() const { return !history_.empty(); }
    QPushButton* button(int id) const;
    QTreeWidget* currentList() const { return current_; }
    QTreeWidget* historyList() const { return historyList_; }
    QGroupBox* historyFrame() const { return historyFrame_; }
    CCommTimeoutDlg* timeoutDialog() const { return timeout_.dialog(); }

protected:
    void OnUpdate(int hint) override;
    void OnDefinitionsEdited(const DefinitionEdit& edit) override;
    void OnMessage(const PostedMessage& message) override;
    void ReleaseDefinitions() override;

private:
    static QTreeWidget* MakeList(QWidget* parent, const QString& description);
    static void ShowRows(QTreeWidget* list, const std::vector<FaultRow>& rows);
    void Stop();
    void FlagsFailed();
    void HistoryArrived();
    void StartClear(std::vector<uint16_t> addresses);
    void WriteNextZero();
    void CommandDone();
    void SetCommandButtons(bool enabled);

    UserPrompt& prompt_;
    QTreeWidget* current_;
    QTreeWidget* historyList_;
    QGroupBox* currentFrame_;
    QGroupBox* historyFrame_;
    std::array<QPushButton*, 4> buttons_{};
    CommTimeoutWindow timeout_;

    std::optional<CurrentFaults> faults_;
    std::vector<const ScalarDef*> history_;
    ClearCommand command_;
    bool running_ = false;
    bool resumeWhenBack_ = false;  // stopped by a lost link: reads again when it is back
    bool restartAfterCommand_ = false;
    bool commandOutstanding_ = false;
    bool startAfterFirstHistory_ = true;
};

}  // namespace zvr
