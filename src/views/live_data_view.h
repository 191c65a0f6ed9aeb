#pragma once

#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>
#include <functional>
#include <vector>

#include "monitoring/live_rows.h"
#include "views/comm_timeout_dialog.h"
#include "views/form_view.h"

namespace zvr {

class UserPrompt;

// "Parameter View": up to ten live variables, read continuously while started. The view
// items of the strategy choose the rows and their order.
class CLiveDataView : public CFormView {
    Q_OBJECT
public:
    static constexpr uint32_t kValuesArrived = 1124;
    static constexpr uint32_t kReadFailed = 1125;
    static constexpr uint32_t kRetry = 1126;
    static constexpr uint32_t kRetryCancelled = 1127;

    // configure: opens the Parameter List; without it the Configure button stays disabled.
    CLiveDataView(CDataServer& document, UserPrompt& prompt, std::function<void()> configure,
                  QWidget* parent = nullptr);
    ~CLiveDataView() override;

    void OnInitialUpdate() override;
    // The Start/Stop button.
    void OnStartStop();

    bool running() const { return running_; }
    QPushButton* startButton() const { return start_; }
    QPushButton* configureButton() const { return configure_; }
    QTreeWidget* list() const { return list_; }
    CCommTimeoutDlg* timeoutDialog() const { return timeout_.dialog(); }

signals:
    // A set of values has been shown.
    void valuesShown();

protected:
    void OnUpdate(int hint) override;
    void OnDefinitionsEdited(const DefinitionEdit& edit) override;
    void OnMessage(const PostedMessage& message) override;
    void ReleaseDefinitions() override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildRows();
    void Rebuild();  // the rows again, and the read again when it runs
    void ValuesArrived();
    void ReadFailed();
    void Stop();

    UserPrompt& prompt_;
    QPushButton* start_;
    QPushButton* configure_;
    QTreeWidget* list_;
    CommTimeoutWindow timeout_;
    std::vector<LiveRow> rows_;
    std::vector<uint16_t> addresses_;
    bool running_ = false;
    bool resumeWhenBack_ = false;  // stopped by a lost link: reads again when it is back
};

}  // namespace zvr
