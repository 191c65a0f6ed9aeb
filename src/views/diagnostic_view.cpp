#include "views/diagnostic_view.h"

#include <QHBoxLayout>
#include <QVBoxLayout>
#include <chrono>
#include <thread>
#include <utility>

#include "common/user_prompt.h"
#include "gui_base/latin1.h"

namespace zvr {

namespace {

struct ButtonSpec {
    int id;
    const char* text;
    const char* tooltip;
};
constexpr ButtonSpec kButtons[] = {
    {CDiagnosticView::kStartButton, "Start", "Starts + Stops reading controller and updating list"},
    {CDiagnosticView::kClearCurrent, "Clear Current Faults",
     "Sends commands to the controller to clear the current active faults."},
    {CDiagnosticView::kClearHistory, "Clear Historical Faults",
     "Sends commands to the controller to clear historical faults."},
    {CDiagnosticView::kUpdateHistory, "Update Historical Faults",
     "Reads the historical fault list from the controller."},
};

}  // namespace

CDiagnosticView::CDiagnosticView(CDataServer& document, UserPrompt& prompt, QWidget* parent)
    : CFormView(document, parent),
      prompt_(prompt),
      current_(MakeList(this, QStringLiteral("Error Description"))),
      historyList_(MakeList(this, QStringLiteral("Historical Error Description"))),
      currentFrame_(new QGroupBox(QStringLiteral("Current Faults:"), this)),
      historyFrame_(new QGroupBox(QStringLiteral("Historical Faults:"), this)) {
    current_->setToolTip(QStringLiteral("Current list of ACTIVE faults read from the controller"));
    historyList_->setToolTip(
        QStringLiteral("Current list of HISTORICAL faults read from the controller."));
    for (size_t i = 0; i < buttons_.size(); ++i) {
        buttons_[i] = new QPushButton(QString::fromLatin1(kButtons[i].text), this);
        buttons_[i]->setToolTip(QString::fromLatin1(kButtons[i].tooltip));
    }
    connect(button(kStartButton), &QPushButton::clicked, this, [this] {
        resumeWhenBack_ = false;  // the user has decided
        OnStartPause();
    });
    connect(button(kClearCurrent), &QPushButton::clicked, this,
            &CDiagnosticView::ClearCurrentFaults);
    connect(button(kClearHistory), &QPushButton::clicked, this,
            &CDiagnosticView::ClearHistoricalFaults);
    connect(button(kUpdateHistory), &QPushButton::clicked, this, &CDiagnosticView::UpdateHistory);

    auto* currentLayout = new QHBoxLayout(currentFrame_);
    current_->setParent(currentFrame_);
    currentLayout->addWidget(current_);
    auto* currentButtons = new QVBoxLayout;
    currentButtons->addWidget(button(kStartButton));
    currentButtons->addWidget(button(kClearCurrent));
    currentButtons->addStretch();
    currentLayout->addLayout(currentButtons);

    auto* historyLayout = new QHBoxLayout(historyFrame_);
    historyList_->setParent(historyFrame_);
    historyLayout->addWidget(historyList_);
    auto* historyButtons = new QVBoxLayout;
    historyButtons->addWidget(button(kUpdateHistory));
    historyButtons->addWidget(button(kClearHistory));
    historyButtons->addStretch();
    historyLayout->addLayout(historyButtons);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(currentFrame_);
    layout->addWidget(historyFrame_);
    layout->addStretch();
}

CDiagnosticView::~CDiagnosticView() {
    timeout_.Close();
    if (running_) Stop();
}

QTreeWidget* CDiagnosticView::MakeList(QWidget* parent, const QString& description) {
    auto* list = new QTreeWidget(parent);
    list->setRootIsDecorated(false);
    list->setHeaderLabels({QStringLiteral("Source"), description});
    list->setColumnWidth(0, 75);
    list->setColumnWidth(1, 370);
    list->setFixedSize(450, 170);
    return list;
}

QPushButton* CDiagnosticView::button(int id) const {
    return buttons_[static_cast<size_t>(id - kStartButton)];
}

void CDiagnosticView::ShowRows(QTreeWidget* list, const std::vector<FaultRow>& rows) {
    list->clear();
    for (const FaultRow& row : rows) {
        auto* item = new QTreeWidgetItem(list);
        item->setText(0, ToQ(row.source));
        item->setText(1, ToQ(row.description));
    }
}

void CDiagnosticView::OnInitialUpdate() {
    SetFrameCaption(QStringLiteral("Diagnostic View"));
    history_ = FaultHistoryScalars(document_.definitions);
    if (history_.empty()) {
        historyFrame_->hide();
        ResizeFrame(675, 260);
    } else {
        if (history_.size() != document_.definitions.diagnostics.count()) {
            prompt_.plain(kHistoryMismatchWarning);
        }
        ResizeFrame(675, 480);
    }
    faults_.emplace(FaultDiagnostics(document_.definitions));
    document_.RequestStop();
    if (history_.empty()) {
        OnStartPause();
    } else {
        UpdateHistory();  // reading starts when the history has arrived
    }
}

void CDiagnosticView::Stop() {
    document_.RequestStop();
    running_ = false;
}

void CDiagnosticView::OnStartPause() {
    if (!faults_) return;
    if (running_) {
        Stop();
        button(kStartButton)->setText(QStringLiteral("Start"));
        // Paused before the first flags arrived, the button would otherwise stay disabled.
        if (!commandOutstanding_) button(kStartButton)->setEnabled(true);
        return;
    }
    timeout_.Close();
    button(kStartButton)->setEnabled(false);
    button(kStartButton)->setText(QStringLiteral("Pause"));
    document_.QuietTheLink();
    if (document_.RequestReadVariables(faults_->RamAddresses(), ForRequest(), kFlagsArrived,
                                       kFlagsFailed) != 0) {
        prompt_.plain("Could not start");
        button(kStartButton)->setText(QStringLiteral("Start"));
        button(kStartButton)->setEnabled(true);
        return;
    }
    running_ = true;
}

void CDiagnosticView::OnMessage(const PostedMessage& message) {
    switch (message.message) {
        case kFlagsArrived:
            if (!running_) break;
            if (auto rows = faults_->Update(document_.RequestValues())) ShowRows(current_, *rows);
            button(kStartButton)->setEnabled(true);
            break;
        case kFlagsFailed:
            FlagsFailed();
            break;
        case kRetry:
            timeout_.Close();
            OnStartPause();
            break;
        case kRetryCancelled:
            timeout_.Close();
            break;
        case kHistoryArrived:
            HistoryArrived();
            break;
        case kHistoryFailed:
            commandOutstanding_ = false;
            prompt_.plain("Communication Error Reading from controller.");
            SetCommandButtons(true);
            break;
        case kClearWritten:
            if (command_.Advance()) {
                WriteNextZero();
            } else {
                CommandDone();
            }
            break;
        case kClearFailed:
            commandOutstanding_ = false;
            prompt_.plain("There was an error processing the command.", "Error");
            SetCommandButtons(true);
            break;
        default:
            break;
    }
}

void CDiagnosticView::FlagsFailed() {
    // A failure of a read this view has stopped must not start it again.
    if (!running_) return;
    OnStartPause();
    button(kStartButton)->setEnabled(true);
    timeout_.Open(
        this,
        [this] {
            OnMessage({kRetry, 0, 0});
        },
        [this] {
            OnMessage({kRetryCancelled, 0, 0});
        });
}

void CDiagnosticView::UpdateHistory() {
    if (!faults_) return;
    historyList_->clear();
    restartAfterCommand_ = running_;
    if (running_) Stop();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    SetCommandButtons(false);
    commandOutstanding_ = true;
    document_.RequestReadScalars(HistoryAddresses(history_), ForRequest(), kHistoryArrived,
                                 kHistoryFailed);
}

void CDiagnosticView::HistoryArrived() {
    commandOutstanding_ = false;
    const auto words = document_.RequestValues();
    ShowRows(historyList_, DecodeFaultHistory(history_, faults_->diagnostics(), words));
    SetCommandButtons(true);
    if (restartAfterCommand_ || startAfterFirstHistory_) {
        restartAfterCommand_ = false;
        startAfterFirstHistory_ = false;
        OnStartPause();
    }
}

void CDiagnosticView::ClearCurrentFaults() {
    if (!faults_) return;
    StartClear(faults_->ClearAddresses());
}

void CDiagnosticView::ClearHistoricalFaults() {
    // The history is the only record of faults that came and went; it cannot be read back
    // once erased, so the user confirms, and Enter keeps it.
    const PromptMessage question{kClearHistoryQuestion, kApplicationCaption, PromptIcon::Warning,
                                 PromptButtons::YesNo, PromptAnswer::No};
    if (prompt_.show(question) != PromptAnswer::Yes) return;
    historyList_->clear();
    SetCommandButtons(false);
    StartClear(HistoryAddresses(history_));
}

void CDiagnosticView::StartClear(std::vector<uint16_t> addresses) {
    if (running_) {
        restartAfterCommand_ = true;
        Stop();
    }
    command_ = ClearCommand(std::move(addresses));
    if (!command_.Current()) {
        // Nothing to clear: the command is complete at once.
        CommandDone();
        return;
    }
    SetCommandButtons(false);
    commandOutstanding_ = true;
    WriteNextZero();
}

void CDiagnosticView::WriteNextZero() {
    document_.RequestWriteScalar(*command_.Current(), 0, 1, ForRequest(), kClearWritten,
                                 kClearFailed);
}

void CDiagnosticView::CommandDone() {
    commandOutstanding_ = false;
    if (restartAfterCommand_) {
        restartAfterCommand_ = false;
        OnStartPause();
    }
    SetCommandButtons(true);
}

void CDiagnosticView::SetCommandButtons(bool enabled) {
    for (QPushButton* b : buttons_)
        b->setEnabled(enabled);
}

void CDiagnosticView::OnUpdate(int hint) {
    if (hint == kHintLinkBack) {
        if (std::exchange(resumeWhenBack_, false) && !running_ && !commandOutstanding_) {
            OnStartPause();
        }
        return;
    }
    if (hint != kHintStopReading && hint != kHintLinkLost) return;
    // Another window taking the link keeps it; a lost link is read from again once back.
    if (running_ || (commandOutstanding_ && restartAfterCommand_)) {
        resumeWhenBack_ = hint == kHintLinkLost;
    }
    if (running_) OnStartPause();
    // Another window takes the link: the command's answers will never come, so it ends here
    // rather than leave the buttons disabled for good.
    if (commandOutstanding_) {
        commandOutstanding_ = false;
        restartAfterCommand_ = false;
        SetCommandButtons(true);
    }
}

void CDiagnosticView::OnDefinitionsEdited(const DefinitionEdit& edit) {
    // The fault history is kept in scalars, which Change Calibration may rename or delete.
    if (!released_ && faults_ && edit.table == DefinitionEdit::Table::Scalars) {
        history_ = FaultHistoryScalars(document_.definitions);
    }
}

void CDiagnosticView::ReleaseDefinitions() {
    timeout_.Close();
    if (running_) Stop();
    faults_.reset();
    history_.clear();
    command_ = ClearCommand();
}

}  // namespace zvr
