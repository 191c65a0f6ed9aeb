#pragma once

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <array>
#include <functional>
#include <map>
#include <optional>

#include "calibration/restore_points.h"
#include "monitoring/scalar_entry.h"
#include "monitoring/scalar_groups.h"
#include "views/form_view.h"

namespace zvr {

class UserPrompt;

// Change Calibration ("Calibration"): reads the selected scalar from the controller and
// writes a new value for it; in engineering mode it also edits the scalar definitions.
//
// The list names its scalars and finds them in the table when they are used, so a scalar
// that another Calibration view deletes or renames is never touched through a stale pointer.
class CScalarView : public CFormView {
    Q_OBJECT
public:
    static constexpr uint32_t kReadDone = 1124;
    static constexpr uint32_t kReadFailed = 1125;
    static constexpr uint32_t kWriteDone = 1126;
    static constexpr uint32_t kWriteFailed = 1127;
    static constexpr int kReadBackDelayMs = 2000;
    static constexpr int kHelpId = 1111;

    // help: shows the help topic of a context.
    CScalarView(CDataServer& document, UserPrompt& prompt, bool engineeringMode,
                std::function<void(int context)> help, QWidget* parent = nullptr);

    void OnInitialUpdate() override;

    // The form's parts, for the tests and the keyboard.
    QComboBox* filter() const { return filter_; }
    QListWidget* scalarList() const { return list_; }
    QLineEdit* field(int id) const;
    QLabel* valueTitle() const { return valueTitle_; }
    QPushButton* button(int id) const;
    QComboBox* typeCombo() const { return type_; }
    QComboBox* sizeCombo() const { return size_; }
    QGroupBox* definitionFrame() const { return definition_; }
    bool editsPending() const { return pending_; }
    static constexpr const char* kUnwrittenQuestion =
        "The new value %s for %s has not been written to the controller.\r\n"
        "Write it before closing?";
    bool readBackWaiting() const { return readBack_.isActive(); }

    void SaveEdit();
    void AddAsNew();
    void DeleteScalar();
    void CancelEdit();
    void SelectAdjacent(int step);  // F5 -1, F6 +1, with wrap-around
    // The help context of the selection.
    int HelpContext() const;

protected:
    void OnUpdate(int) override {}
    void OnDefinitionsEdited(const DefinitionEdit& edit) override;
    void OnMessage(const PostedMessage& message) override;
    void ReleaseDefinitions() override;
    void keyPressEvent(QKeyEvent* event) override;
    // F1 is the help of the selected scalar here, not the main window's Help Topics.
    bool event(QEvent* event) override;
    // A typed value that was not written is not dropped silently: the user writes it (the
    // frame closes once the controller took it), discards it, or keeps the frame open.
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildForm();
    QLineEdit* AddValueRow(QGridLayout* grid, int row, const char* label, int id,
                           const char* tooltip);
    void Refill(const std::string& keep);
    void SelectScalar();
    ScalarDef* Selected() const;
    ScalarFields CurrentFields() const;
    void WriteNewValue(const ScalarDef& scalar);
    void ReadDone(bool ok);
    void RequestValue();
    // After a good answer: true when no frame nobody asked for came around it; otherwise the
    // value is read again (or, too often out of step, shown as a read error).
    bool AnswerInStep();
    void SetSaveCancel(bool enabled);
    void MarkEdited();
    // New Value holds a typed value that differs from the one read from the controller.
    bool HasUnwrittenValue() const;

    UserPrompt& prompt_;
    bool engineering_;
    std::function<void(int)> help_;
    const ScalarGroupTable* groups_ = nullptr;

    QComboBox* filter_;
    QListWidget* list_;
    QLabel* valueTitle_ = nullptr;
    QLabel* newValueLabel_ = nullptr;
    std::array<QLabel*, 6> unitsLabels_{};
    QComboBox* type_;
    QComboBox* size_;
    QGroupBox* definition_;
    std::map<int, QLineEdit*> fields_;
    std::map<int, QPushButton*> buttons_;
    QTimer readBack_;

    bool pending_ = false;
    bool filling_ = false;
    bool editing_ = false;  // an edit of this view's is being announced
    int selectedIndex_ = -1;
    uint16_t requestAddress_ = 0;
    uint32_t outOfStepMark_ = 0;  // the link's out-of-step count when the read went out
    int rereads_ = 0;             // reads of the selected scalar made again for it
    uint16_t writeAddress_ = 0;
    // The change journal's line of the write under way, added once the controller took it.
    std::optional<JournalEntry> journalLine_;
    bool writeOutstanding_ = false;
    bool closeAfterWrite_ = false;  // the user chose Write while closing
};

}  // namespace zvr
