#include "views/scalar_view.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>
#include <filesystem>

#include "calibration/scalar_walk.h"
#include "common/user_prompt.h"
#include "gui_base/latin1.h"
#include "gui_base/stored_text_validator.h"
#include "monitoring/help_topics.h"
#include "monitoring/reply_words.h"
#include "viewlist/scalar_definition_edits.h"

namespace zvr {

namespace {

enum FieldId {
    kName = 1003,
    kAddress = 1010,
    kUnits = 1011,
    kCalFileValue = 1013,
    kBaseValue = 1014,
    kControllerValue = 1015,
    kNewValue = 1016,
    kFileName = 1017,
    kBinaryPoint = 1023,
    kMaxValue = 1024,
    kMinValue = 1025,
};
enum ButtonId { kAddAsNew = 1018, kSaveEdit = 1019, kDelete = 1020, kCancelEdit = 1028 };

// The value rows beside the list: label, field, tooltip; each has a units label.
struct ValueRow {
    const char* label;
    int id;
    const char* tooltip;
};
constexpr ValueRow kValueRows[] = {
    {"Cal File Value", kCalFileValue, "The value of the scalar stored in the cal file"},
    {"Base Value", kBaseValue, nullptr},
    {nullptr, kControllerValue, "The current value of the scalar as read from the controller"},
    {"New Value", kNewValue, "Enter a new value to write to controller, the press <Enter>"},
    {"Max Value", kMaxValue, "The max value that can be entered for 'New Value'"},
    {"Min Value", kMinValue, "The min value that can be entered for 'New Value'"},
};

// Fields whose edits count as pending value or definition edits.
constexpr int kEditedFields[] = {kAddress,  kUnits,    kBinaryPoint,     kBaseValue, kCalFileValue,
                                 kMaxValue, kMinValue, kControllerValue, kNewValue};

constexpr const char* kHelpLine =
    "[F1] HELP    [F5] PREVIOUS     [F6] NEXT     [ENTER] SAVE EDIT     [ESC] CANCEL EDIT / "
    "CLOSE";

}  // namespace

CScalarView::CScalarView(CDataServer& document, UserPrompt& prompt, bool engineeringMode,
                         std::function<void(int)> help, QWidget* parent)
    : CFormView(document, parent),
      prompt_(prompt),
      engineering_(engineeringMode),
      help_(std::move(help)),
      filter_(new QComboBox(this)),
      list_(new QListWidget(this)),
      type_(new QComboBox(this)),
      size_(new QComboBox(this)),
      definition_(new QGroupBox(QStringLiteral("Parameter Information"), this)) {
    readBack_.setSingleShot(true);
    connect(&readBack_, &QTimer::timeout, this, [this] {
        SelectScalar();
        SetSaveCancel(false);
    });
    BuildForm();
}

QLineEdit* CScalarView::AddValueRow(QGridLayout* grid, int row, const char* label, int id,
                                    const char* tooltip) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QStringLiteral("field%1").arg(id));
    if (tooltip) edit->setToolTip(QString::fromLatin1(tooltip));
    fields_[id] = edit;
    auto* caption = new QLabel(label ? QString::fromLatin1(label) : QString(), this);
    auto* units = new QLabel(QStringLiteral("UNITS"), this);
    unitsLabels_[static_cast<size_t>(row)] = units;
    grid->addWidget(caption, row, 0);
    grid->addWidget(edit, row, 1);
    grid->addWidget(units, row, 2);
    if (id == kControllerValue) valueTitle_ = caption;
    if (id == kNewValue) newValueLabel_ = caption;
    if (id == kBaseValue) {
        caption->hide();
        edit->hide();
        units->hide();
    }
    return edit;
}

void CScalarView::BuildForm() {
    filter_->setToolTip(QStringLiteral("Shows specific group of scalars in the scalar list"));
    list_->setToolTip(QStringLiteral("The list of avaliable scalars to adjust"));
    auto* fileName = new QLineEdit(this);
    fileName->setReadOnly(true);
    fileName->setToolTip(
        QStringLiteral("The name of the calibration file that the list is generated from"));
    fields_[kFileName] = fileName;

    auto* left = new QVBoxLayout;
    left->addWidget(new QLabel(QStringLiteral("View Filter"), this));
    left->addWidget(filter_);
    left->addWidget(list_, 1);
    left->addWidget(new QLabel(QStringLiteral("Cal File Name"), this));
    left->addWidget(fileName);

    auto* values = new QGridLayout;
    int row = 0;
    for (const ValueRow& r : kValueRows)
        AddValueRow(values, row++, r.label, r.id, r.tooltip);
    for (int id : {kControllerValue, kMaxValue, kMinValue, kBaseValue}) {
        fields_[id]->setReadOnly(true);
    }

    auto* definitionGrid = new QGridLayout(definition_);
    const std::pair<const char*, int> definitionFields[] = {{"Variable Name", kName},
                                                            {"Address", kAddress},
                                                            {"Units", kUnits},
                                                            {"BinPt", kBinaryPoint}};
    row = 0;
    for (auto [label, id] : definitionFields) {
        auto* edit = new QLineEdit(definition_);
        edit->setObjectName(QStringLiteral("field%1").arg(id));
        fields_[id] = edit;
        if (id == kName || id == kUnits) LimitToStoredText(edit);
        definitionGrid->addWidget(new QLabel(QString::fromLatin1(label), definition_), row, 0);
        definitionGrid->addWidget(edit, row++, 1);
    }
    for (const char* name : kScalingTypeNames)
        type_->addItem(QString::fromLatin1(name));
    for (const char* name : kScalingSizeNames)
        size_->addItem(QString::fromLatin1(name));
    type_->setParent(definition_);
    size_->setParent(definition_);
    definitionGrid->addWidget(new QLabel(QStringLiteral("Type"), definition_), row, 0);
    definitionGrid->addWidget(type_, row++, 1);
    definitionGrid->addWidget(new QLabel(QStringLiteral("Size"), definition_), row, 0);
    definitionGrid->addWidget(size_, row++, 1);
    auto* buttonRow = new QHBoxLayout;
    const std::pair<const char*, int> buttons[] = {{"Add As New", kAddAsNew},
                                                   {"Save Edit", kSaveEdit},
                                                   {"Delete", kDelete},
                                                   {"Cancel Edit", kCancelEdit}};
    for (auto [text, id] : buttons) {
        auto* button = new QPushButton(QString::fromLatin1(text), definition_);
        button->setAutoDefault(false);
        buttons_[id] = button;
        buttonRow->addWidget(button);
    }
    definitionGrid->addLayout(buttonRow, row, 0, 1, 2);

    auto* right = new QVBoxLayout;
    right->addLayout(values);
    right->addWidget(definition_);
    right->addStretch();
    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns, 1);
    layout->addWidget(new QLabel(QString::fromLatin1(kHelpLine), this));

    connect(filter_, &QComboBox::activated, this, [this] { Refill({}); });
    connect(list_, &QListWidget::currentRowChanged, this, [this] {
        if (!filling_) SelectScalar();
    });
    for (int id : kEditedFields) {
        connect(fields_[id], &QLineEdit::textEdited, this, &CScalarView::MarkEdited);
    }
    connect(type_, &QComboBox::activated, this, &CScalarView::MarkEdited);
    connect(size_, &QComboBox::activated, this, &CScalarView::MarkEdited);
    connect(fields_[kName], &QLineEdit::textEdited, this, [this] {
        pending_ = true;
        buttons_[kAddAsNew]->setEnabled(true);
    });
    connect(buttons_[kAddAsNew], &QPushButton::clicked, this, &CScalarView::AddAsNew);
    connect(buttons_[kSaveEdit], &QPushButton::clicked, this, &CScalarView::SaveEdit);
    connect(buttons_[kDelete], &QPushButton::clicked, this, &CScalarView::DeleteScalar);
    connect(buttons_[kCancelEdit], &QPushButton::clicked, this, &CScalarView::CancelEdit);
}

QLineEdit* CScalarView::field(int id) const {
    auto at = fields_.find(id);
    return at != fields_.end() ? at->second : nullptr;
}

QPushButton* CScalarView::button(int id) const {
    auto at = buttons_.find(id);
    return at != buttons_.end() ? at->second : nullptr;
}

void CScalarView::MarkEdited() {
    pending_ = true;
    SetSaveCancel(true);
}

void CScalarView::SetSaveCancel(bool enabled) {
    buttons_[kSaveEdit]->setEnabled(enabled);
    buttons_[kCancelEdit]->setEnabled(enabled);
}

void CScalarView::OnInitialUpdate() {
    SetFrameCaption(QStringLiteral("Calibration"));
    groups_ = &GroupTableFor(document_.definitions.header.strategyName);
    for (const char* group : groups_->groups)
        filter_->addItem(QString::fromLatin1(group));
    valueTitle_->setText(QString::fromLatin1(groups_->valueTitle));
    filter_->setCurrentIndex(0);
    ResizeFrame(730, 440);
    fields_[kFileName]->setText(
        PathToQ(std::filesystem::path(document_.definitions.filePath).filename().string()));
    if (!engineering_) {
        fields_[kCalFileValue]->setReadOnly(true);
        definition_->hide();
    }
    Refill({});
}

ScalarDef* CScalarView::Selected() const {
    if (released_ || selectedIndex_ < 0 || selectedIndex_ >= list_->count()) return nullptr;
    return document_.definitions.scalars.find(FromQ(list_->item(selectedIndex_)->text()));
}

void CScalarView::Refill(const std::string& keep) {
    filling_ = true;
    list_->clear();
    int keepRow = 0;
    for (const ScalarDef* scalar :
         ScalarsOfGroup(document_.definitions, *groups_, filter_->currentIndex())) {
        if (scalar->name == keep) keepRow = list_->count();
        list_->addItem(ToQ(scalar->name));
    }
    if (list_->count() > 0) list_->setCurrentRow(keepRow);
    filling_ = false;
    SelectScalar();
}

void CScalarView::SelectScalar() {
    if (pending_) prompt_.plain("Edits not saved");
    readBack_.stop();  // a new selection reads its value anyway
    selectedIndex_ = list_->currentRow();
    ScalarDef* scalar = Selected();
    if (scalar == nullptr) {
        // Deleted or renamed by another Calibration view: show the table as it is now.
        if (selectedIndex_ >= 0 && !released_) {
            pending_ = false;
            Refill({});
        }
        return;
    }
    const ScalarFields shown = FieldsOf(*scalar);
    fields_[kAddress]->setText(ToQ(shown.address));
    fields_[kUnits]->setText(ToQ(shown.units));
    for (QLabel* units : unitsLabels_)
        units->setText(ToQ(shown.units));
    fields_[kName]->setText(ToQ(shown.name));
    type_->setCurrentIndex(shown.typeIndex);
    size_->setCurrentIndex(shown.sizeIndex);
    fields_[kBinaryPoint]->setText(ToQ(shown.binaryPoint));
    fields_[kNewValue]->clear();
    fields_[kMaxValue]->setText(ToQ(MaxValueText(scalar->scaling)));
    fields_[kMinValue]->setText(ToQ(MinValueText(scalar->scaling)));
    fields_[kBaseValue]->setText(ToQ(shown.baseValue));
    fields_[kCalFileValue]->setText(ToQ(shown.calFileValue));
    fields_[kControllerValue]->setText(QStringLiteral("Reading..."));

    document_.QuietTheLink();
    requestAddress_ = static_cast<uint16_t>(scalar->eepromAddress);
    rereads_ = 0;
    RequestValue();

    pending_ = false;
    SetSaveCancel(false);
    buttons_[kAddAsNew]->setEnabled(false);
    const bool writable = engineering_ || isWritableByUser(*scalar);
    fields_[kNewValue]->setEnabled(writable);
    newValueLabel_->setEnabled(writable);
    if (writable) fields_[kNewValue]->setFocus();
}

void CScalarView::RequestValue() {
    outOfStepMark_ = document_.StrayCount();
    const uint16_t addresses[] = {requestAddress_};
    document_.RequestReadScalars(addresses, ForRequest(), kReadDone, kReadFailed);
}

bool CScalarView::AnswerInStep() {
    // Replies carry no request number: an answer followed by a frame nobody asked for may
    // have been another request's, so the value is read again.
    if (!document_.IsDemo()) document_.Settle(kSettleQuiet, kSettleLimit);
    if (document_.StrayCount() == outOfStepMark_) return true;
    if (rereads_ < kWalkRetries) {
        ++rereads_;
        document_.PurgeInput();
        RequestValue();
    } else {
        fields_[kControllerValue]->setText(QStringLiteral("Read Error"));
    }
    return false;
}

void CScalarView::OnMessage(const PostedMessage& message) {
    const ScalarDef* scalar = Selected();
    switch (message.message) {
        case kReadDone:
        case kReadFailed:
            if (scalar && scalar->eepromAddress == requestAddress_) {
                ReadDone(message.message == kReadDone);
            }
            break;
        case kWriteDone:
            writeOutstanding_ = false;
            if (journalLine_) {
                if (const auto problem = RestorePoints().Append(*journalLine_)) {
                    prompt_.warn(
                        "The value was written, but the change journal could not "
                        "record it: " +
                        *problem);
                }
                journalLine_.reset();
            }
            if (closeAfterWrite_) {
                closeAfterWrite_ = false;
                CloseFrame();
                return;
            }
            if (scalar && scalar->eepromAddress == writeAddress_) {
                // The controller settles before the value is read back; the window stays live.
                readBack_.start(kReadBackDelayMs);
            }
            break;
        case kWriteFailed:
            writeOutstanding_ = false;
            journalLine_.reset();
            closeAfterWrite_ = false;  // the failure is shown; the frame stays open
            if (scalar && scalar->eepromAddress == writeAddress_) {
                fields_[kNewValue]->setText(QStringLiteral("Write Error"));
                SetSaveCancel(false);
            }
            break;
        default:
            break;
    }
}

void CScalarView::ReadDone(bool ok) {
    if (!ok) {
        fields_[kControllerValue]->setText(QStringLiteral("Read Error"));
        return;
    }
    const uint16_t word = document_.RequestValues()[0];
    if (!AnswerInStep()) return;
    const ScalarDef* selected = Selected();
    if (selected == nullptr) return;
    const ScalarDef& scalar = *selected;
    const uint32_t raw = RawFromWord(word, scalar.scaling.size);
    const QString text = ToQ(formatDefValue(scalar, raw));
    fields_[kControllerValue]->setText(text);
    QLineEdit* newValue = fields_[kNewValue];
    newValue->setText(text);
    newValue->selectAll();
    pending_ = false;
    SetSaveCancel(false);
}

ScalarFields CScalarView::CurrentFields() const {
    auto text = [this](int id) { return FromQ(fields_.at(id)->text().left(kMaxFieldText)); };
    return {.address = text(kAddress),
            .units = text(kUnits),
            .name = text(kName),
            .typeIndex = type_->currentIndex(),
            .sizeIndex = size_->currentIndex(),
            .binaryPoint = text(kBinaryPoint),
            .calFileValue = text(kCalFileValue),
            .baseValue = text(kBaseValue)};
}

void CScalarView::SaveEdit() {
    const ScalarDef* scalar = Selected();
    if (scalar == nullptr) return;
    pending_ = false;
    // User mode shows no definition fields, so only engineering mode can have changed one.
    if (engineering_) {
        editing_ = true;
        const ScalarDefinitionEdit edit =
            SaveScalarDefinition(document_, scalar->name, CurrentFields(), prompt_);
        editing_ = false;
        if (edit.outcome == ScalarDefinitionEdit::Rewritten) Refill(edit.name);
        if (edit.outcome != ScalarDefinitionEdit::WriteNewValue) return;
        // Found again: a message has been on screen since.
        scalar = Selected();
        if (scalar == nullptr) return;
    }
    WriteNewValue(*scalar);
}

void CScalarView::WriteNewValue(const ScalarDef& scalar) {
    const NewValueCheck check =
        CheckNewValue(FromQ(fields_[kNewValue]->text().left(kMaxFieldText)), scalar.scaling);
    if (check.verdict == NewValueVerdict::Empty) {
        SetSaveCancel(false);
        return;
    }
    if (check.verdict == NewValueVerdict::OutOfRange) {
        prompt_.plain(kOutOfRange);
        SetSaveCancel(false);
        return;
    }
    // Every single-value write leaves a line in the change journal: one that cannot be
    // written stops the write before it goes out.
    const RestorePoints journal;
    if (const auto problem = journal.CheckJournal()) {
        prompt_.error(kJournalFailed + *problem);
        SetSaveCancel(false);
        return;
    }
    journalLine_ = MakeJournalEntry(UnitIdentity::Of(document_.GetIdentification()), scalar.name,
                                    FromQ(fields_[kControllerValue]->text()),
                                    formatDefValue(scalar, check.raw));
    document_.QuietTheLink();
    writeAddress_ = static_cast<uint16_t>(scalar.eepromAddress);
    if (document_.RequestWriteScalar(writeAddress_, static_cast<uint16_t>(check.raw),
                                     scalar.scaling.size, ForRequest(), kWriteDone,
                                     kWriteFailed) != 0) {
        journalLine_.reset();
        prompt_.plain("Internal Error Writing New Value");
        SetSaveCancel(false);
        return;
    }
    writeOutstanding_ = true;
}

bool CScalarView::HasUnwrittenValue() const {
    const QString typed = fields_.at(kNewValue)->text();
    return pending_ && !released_ && Selected() != nullptr && !typed.isEmpty() &&
           typed != fields_.at(kControllerValue)->text();
}

void CScalarView::closeEvent(QCloseEvent* event) {
    if (closeAfterWrite_ || !HasUnwrittenValue()) {
        CFormView::closeEvent(event);
        return;
    }
    const ScalarDef& scalar = *Selected();
    std::string text = kUnwrittenQuestion;
    text.replace(text.find("%s"), 2, FromQ(fields_[kNewValue]->text().left(kMaxFieldText)));
    text.replace(text.find("%s"), 2, scalar.name);
    PromptMessage question{text, kApplicationCaption, PromptIcon::Question,
                           PromptButtons::YesNoCancel, PromptAnswer::Cancel};
    question.yesText = "Write";
    question.noText = "Discard";
    switch (prompt_.show(question)) {
        case PromptAnswer::No:
            CFormView::closeEvent(event);
            return;
        case PromptAnswer::Yes:
            SaveEdit();
            // Only a write under way closes the frame, when it succeeds; a value refused
            // before it went out keeps the frame open with the reason shown.
            closeAfterWrite_ = writeOutstanding_;
            break;
        default:
            break;
    }
    event->ignore();
}

void CScalarView::AddAsNew() {
    pending_ = false;
    editing_ = true;
    const std::optional<std::string> name = AddScalarAsNew(
        document_, CurrentFields(), static_cast<uint16_t>(filter_->currentIndex() + 1), prompt_);
    editing_ = false;
    if (name) Refill(*name);
}

void CScalarView::DeleteScalar() {
    const ScalarDef* scalar = Selected();
    if (scalar == nullptr) return;
    const std::string name = scalar->name;
    editing_ = true;
    const bool deleted = zvr::DeleteScalar(document_, name, prompt_);
    editing_ = false;
    if (!deleted) return;
    pending_ = false;
    Refill({});
}

void CScalarView::OnDefinitionsEdited(const DefinitionEdit& edit) {
    // This view's own edits refill the list when they are done.
    if (released_ || editing_ || groups_ == nullptr ||
        edit.table != DefinitionEdit::Table::Scalars) {
        return;
    }
    const std::string shown = selectedIndex_ >= 0 && selectedIndex_ < list_->count()
                                  ? FromQ(list_->item(selectedIndex_)->text())
                                  : std::string();
    if (shown.empty() || shown == edit.name) {
        // The scalar shown was edited elsewhere: show it as it is now (read again), or the
        // first of its group when it is gone. Edits typed for it are dropped, with a word.
        Refill(edit.nameAfter());
        return;
    }
    // Another scalar: the list changes around the one shown, whose fields stay as typed.
    filling_ = true;
    list_->clear();
    int keepRow = 0;
    for (const ScalarDef* scalar :
         ScalarsOfGroup(document_.definitions, *groups_, filter_->currentIndex())) {
        if (scalar->name == shown) keepRow = list_->count();
        list_->addItem(ToQ(scalar->name));
    }
    list_->setCurrentRow(keepRow);
    selectedIndex_ = keepRow;
    filling_ = false;
}

void CScalarView::CancelEdit() {
    pending_ = false;
    SelectScalar();
    SetSaveCancel(false);
}

void CScalarView::SelectAdjacent(int step) {
    const int count = list_->count();
    if (count == 0) return;
    const int current = list_->currentRow();
    int next = current + step;
    if (current < 0 && step < 0) next = count - 1;
    if (next < 0) next = count - 1;
    if (next >= count) next = 0;
    if (next == current) {
        SelectScalar();  // one entry: moving runs the selection again
    } else {
        list_->setCurrentRow(next);
    }
}

int CScalarView::HelpContext() const {
    const ScalarDef* scalar = Selected();
    return scalar ? HelpContextFor(scalar->name) : kChangeCalibrationHelpContext;
}

void CScalarView::ReleaseDefinitions() {
    readBack_.stop();
    selectedIndex_ = -1;
    filling_ = true;
    list_->clear();
}

bool CScalarView::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1) {
        event->accept();
        return true;
    }
    return CFormView::event(event);
}

void CScalarView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (pending_) SaveEdit();
            break;
        case Qt::Key_Escape:
            if (pending_) {
                CancelEdit();
            } else {
                CloseFrame();
            }
            break;
        case Qt::Key_F5:
            SelectAdjacent(-1);
            break;
        case Qt::Key_F6:
            SelectAdjacent(+1);
            break;
        case Qt::Key_F1:
            if (help_) help_(HelpContext());
            break;
        default:
            CFormView::keyPressEvent(event);
            return;
    }
    event->accept();
}

}  // namespace zvr
